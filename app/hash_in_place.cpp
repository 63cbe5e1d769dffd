#include "app/hash_in_place.h"

namespace verolt::app {

InPlaceHashes::InPlaceHashes(JobSource& source, hash::Engine engine, hash::Function function,
                             filehash::ProgressState& progress)
    : source_(source), function_(function), hasher_(engine, &progress) {}

bool InPlaceHashes::next(FileItem& item) {
  if (!source_.next(item)) return false;
  item_ = item;
  return true;
}

bool InPlaceHashes::result(hash::Value& value) {
  return item_.listable && hasher_.hash_file(item_.path, value, function_);
}

}  // namespace verolt::app
