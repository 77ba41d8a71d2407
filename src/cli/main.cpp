#include <cstdio>
#include <cstring>

namespace {

const char* kUsage =
    "usage: tarvo-cli [GLOBAL OPTIONS] COMMAND [ARGS]\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
