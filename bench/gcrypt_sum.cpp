// Test-only peer for the speed comparison: prints libgcrypt's hash of a file, low byte first like
// Verolt's values. Usage: gcrypt_sum 0|2|256|512 FILE (0: GOST R 34.11-94 with the test set,
// 2: with the CryptoPro set; 256, 512: GOST R 34.11-2012 of that many bits).
#include <gcrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int usage() {
  (void)std::fprintf(stderr, "usage: gcrypt_sum 0|2|256|512 FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return usage();
  if (gcry_check_version(nullptr) == nullptr) return 2;
  struct Function {
    const char* name;
    int algorithm;
  };
  const Function functions[] = {{"0", GCRY_MD_GOSTR3411_94},
                                {"2", GCRY_MD_GOSTR3411_CP},
                                {"256", GCRY_MD_STRIBOG256},
                                {"512", GCRY_MD_STRIBOG512}};
  int algorithm = 0;
  for (const Function& f : functions) {
    if (std::strcmp(argv[1], f.name) == 0) algorithm = f.algorithm;
  }
  if (algorithm == 0) return usage();
  gcry_md_hd_t md = nullptr;
  if (gcry_md_open(&md, algorithm, 0) != 0) return 2;
  std::FILE* file = std::fopen(argv[2], "rb");
  if (file == nullptr) return 2;
  std::vector<unsigned char> buffer(131072);
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
    gcry_md_write(md, buffer.data(), got);
  (void)std::fclose(file);
  const unsigned char* digest = gcry_md_read(md, algorithm);
  const unsigned size = gcry_md_get_algo_dlen(algorithm);
  for (unsigned i = 0; i < size; ++i) std::printf("%02X", digest[i]);
  std::printf("  %s\n", argv[2]);
  gcry_md_close(md);
  return 0;
}
