// A stand-in for the network helper whose probe answers -1: the media must
// not be installed.
int main() {
    return -1;
}
