#include "K-BEX-TW-MS-DiredI304.h"

int main(int argc, char** argv) {
    return AppMain(argc, argv);
}
