#include <cstdio>

int main() {
    std::fputs("usage: stowkeep-batch COMMAND ...\n", stderr);
    return 2;
}
