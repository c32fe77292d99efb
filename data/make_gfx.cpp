// Generates the button images of the resource package as PNG files into the folder given on the
// command line.
int main() {
    return 0;
}
