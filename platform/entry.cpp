// SPDX-License-Identifier: MIT
// The process entry point: hands over to the program's SDL_main, as SDL's own entry wrapper does.
int SDL_main(int argc, char** argv);

int main(int argc, char** argv) {
    return SDL_main(argc, argv);
}
