#include <cstdio>

int main() {
    std::puts("No benchmarks yet.");
    return 0;
}
