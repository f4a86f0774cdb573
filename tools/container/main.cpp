#include <cstdio>
int main() { std::puts("usage: tolvarine-container"); return 2; }
