// Test-only peer for the speed comparison: prints libgcrypt's GOST R 34.11-94 hash of a file,
// low byte first like Verolt's p2. Usage: gcrypt_sum 0|2 FILE (0: test set, 2: CryptoPro set).
#include <gcrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gcrypt_sum 0|2 FILE\n");
    return 2;
  }
  if (gcry_check_version(nullptr) == nullptr) return 2;
  const int algorithm =
      std::strcmp(argv[1], "0") == 0 ? GCRY_MD_GOSTR3411_94 : GCRY_MD_GOSTR3411_CP;
  gcry_md_hd_t md = nullptr;
  if (gcry_md_open(&md, algorithm, 0) != 0) return 2;
  std::FILE* file = std::fopen(argv[2], "rb");
  if (file == nullptr) return 2;
  std::vector<unsigned char> buffer(131072);
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
    gcry_md_write(md, buffer.data(), got);
  std::fclose(file);
  const unsigned char* digest = gcry_md_read(md, algorithm);
  for (int i = 0; i < 32; ++i) std::printf("%02X", digest[i]);
  std::printf("  %s\n", argv[2]);
  gcry_md_close(md);
  return 0;
}
