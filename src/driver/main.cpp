#include "driver/quarlo.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    quarlo::RunOptions options;
    for (int i = 1; i < argc; ++i) options.args.emplace_back(argv[i]);
    options.in = &std::cin;
    options.out = &std::cout;
    options.interactive = isatty(STDIN_FILENO) != 0;
    if (const char* date = std::getenv("QUARLO_RUN_DATE")) options.fixed_run_date = date;
    if (const char* times = std::getenv("QUARLO_STAGE_TIMES")) options.stage_times_path = times;
    return quarlo::quarlo_main(options);
}
