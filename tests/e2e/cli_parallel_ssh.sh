#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's recipe for many machines, run for real: GNU parallel sends renders over ssh to a
# "remote" host (an sshd this test starts on a loopback port, with keys it makes), which has only
# the installed program: the settings file is transferred, the pictures come back with --return,
# and a sheet is made of them here. Each returned picture equals a render made here.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"
for tool in sshd ssh ssh-keygen parallel; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] ||
        { echo "SKIP: $tool is not installed (scripts/install-deps)"; exit 0; }
done
keys="$WORK/ssh"
mkdir -p "$keys" "$WORK/home"
ssh-keygen -q -t ed25519 -N '' -f "$keys/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$keys/client_key"
cp "$keys/client_key.pub" "$keys/authorized_keys"
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$keys/host_key.pub")" >"$keys/known_hosts"
# The remote's PATH holds the installed program, as a package installs it.
cat >"$keys/sshd_config" <<END
ListenAddress 127.0.0.1
Port $port
HostKey $keys/host_key
AuthorizedKeysFile $keys/authorized_keys
PidFile $keys/sshd.pid
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
UsePAM no
StrictModes no
SetEnv PATH=$(dirname "$RENDER"):/usr/local/bin:/usr/bin:/bin
END
cat >"$keys/config" <<END
Host render-host
    HostName 127.0.0.1
    Port $port
    User $(id -un)
    IdentityFile $keys/client_key
    IdentitiesOnly yes
    UserKnownHostsFile $keys/known_hosts
    StrictHostKeyChecking yes
    BatchMode yes
END
mkdir -p /run/sshd 2>/dev/null || true
/usr/sbin/sshd -D -e -f "$keys/sshd_config" 2>"$WORK/sshd.log" &
sshd_pid=$!
trap 'kill "$sshd_pid" 2>/dev/null; wait "$sshd_pid" 2>/dev/null; cleanup' EXIT
ssh_ready() { ssh -F "$keys/config" render-host true 2>/dev/null; }
for _ in $(seq 100); do
    ssh_ready && break
    kill -0 "$sshd_pid" 2>/dev/null ||
        { echo "SKIP: sshd could not start: $(tail -n 1 "$WORK/sshd.log")"; exit 0; }
    sleep 0.2
done
ssh_ready || fail "sshd on 127.0.0.1:$port took no login: $(tail -n 3 "$WORK/sshd.log")"

remote="$WORK/remote"  # the remote's working folder: not there before the run
printf 'runs / frame = 1000\ncurl = 0.01\n' >my.cfg
HOME="$WORK/home" parallel --will-cite --ssh "ssh -F $keys/config" -S render-host --wd "$remote" \
    --transferfile my.cfg --return 'sweep/{}.png' --cleanup \
    'mkdir -p sweep && morvane-render render --seed {} --settings my.cfg --frames 12 --quiet -o sweep/{}.png' \
    ::: $(seq -w 1 3) 2>parallel.txt || fail "parallel over ssh failed: $(cat parallel.txt)"
"$RENDER" sheet -o seeds.png sweep/*.png --quiet || fail "the sheet of the returned pictures"
for seed in 1 2 3; do
    "$RENDER" render --seed "$seed" --settings my.cfg --frames 12 --quiet -o "here-$seed.png"
    [ "$(pngcheck same "sweep/$seed.png" "here-$seed.png" 0 0 512 512)" = 0 ] ||
        fail "the remote render of seed $seed differs from one made here"
done
[ ! -e "$remote/my.cfg" ] || fail "--cleanup left the settings file on the remote"
echo "ok"
