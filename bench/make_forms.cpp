// Writes a synthetic input file: zol_make_forms N_NEW N_OLD K > file
#include <cstdio>
#include <cstdlib>

#include "synthetic_forms.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zol_make_forms N_NEW N_OLD K > input.txt\n");
    return 2;
  }
  const long n_new = std::strtol(argv[1], nullptr, 10);
  const long n_old = std::strtol(argv[2], nullptr, 10);
  const long k = std::strtol(argv[3], nullptr, 10);
  if (n_new < 1 || n_old < 1 || k < 0 || k == 1 || n_new > 10'000'000 || n_old > 10'000'000 ||
      k > 10'000'000) {
    std::fprintf(stderr, "item counts from 1, and 0 or at least 2 quadrature points\n");
    return 2;
  }
  write_synthetic_input(stdout, static_cast<int>(n_new), static_cast<int>(n_old),
                        static_cast<int>(k));
  return std::fflush(stdout) == 0 ? 0 : 1;
}
