// basewright-cli: converts number lists in scripts and pipelines.

#include <string_view>
#include <vector>

#include "cli/BatchConverter.h"

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    bw::FdSource input(0);
    bw::FdSink output(1);
    bw::FdSink errors(2);
    return bw::CliMain(args, input, output, errors);
}
