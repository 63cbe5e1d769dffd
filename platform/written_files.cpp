// What both systems' written files share: the name of the new file.
#include "platform/written_files.h"

#include <random>

namespace verolt::platform {

std::string new_file_leaf(const std::string& leaf) {
  static std::mt19937_64 generator{std::random_device{}()};
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  // Room for the suffix within the limit of 255 on one name.
  std::string name = "." + leaf.substr(0, 200) + ".";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(generator)];
  return name;
}

}  // namespace verolt::platform
