#include "shell/window/Program.h"

int main(int argc, char** argv) {
    return WinMain(argc, argv);
}
