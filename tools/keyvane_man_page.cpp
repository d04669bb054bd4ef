// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the manual page keyvane(1) from the same description as `keyvane --help`.
//   keyvane-man-page <output file>

#include "Keyvane/usage/Usage.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: keyvane-man-page <output file>\n");
        return 1;
    }
    std::ofstream out(argv[1]);
    if (!(out << keyvane::Usage::manPage()) || !out.flush()) {
        std::fprintf(stderr, "keyvane-man-page: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
