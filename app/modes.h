// The run modes over a source of files. Each returns the result code: 0, or the code of the
// last failure (1 wrong hash, 2 a file could not be opened, 3 a missing or malformed hash).
#pragma once

#include "app/command_line.h"
#include "app/hash_queue.h"
#include "app/sources.h"
#include "filehash/file_hasher.h"
#include "files/lists.h"

namespace verolt::app {

// Every file hashed on its own: a hash list into the output file, or names and values on the
// console.
int create_hash_list(const RunSettings& settings, files::OutputFile& output, FileHashQueue& files);

// One hash over all files taken as one stream, ending with the total line.
int create_stream_hash(const RunSettings& settings, files::OutputFile& output, FileSource& source,
                       filehash::FileHasher& hasher);

// Every listed file against its stored value; failures in boxes that ask whether to go on.
int verify_hash_list(files::OutputFile& output, FileHashQueue& files);

// The listed files as one stream against the value of the total line.
int verify_stream_hash(const RunSettings& settings, files::OutputFile& output, FileSource& source,
                       filehash::FileHasher& hasher);

}  // namespace verolt::app
