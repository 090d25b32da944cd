// Nothing runs: the program exists so that linking every library together is checked.
int main() { return 0; }
