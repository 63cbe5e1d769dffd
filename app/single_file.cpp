#include "app/single_file.h"

#include "app/command_line.h"
#include "app/environment.h"
#include "app/messages.h"
#include "filehash/file_hasher.h"
#include "files/hash_text.h"
#include "files/lists.h"
#include "files/texts.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "text/ascii.h"

namespace verolt::app {

namespace {

using files::to_ansi;
using verolt::text::starts_folded;

constexpr std::string_view kUsageBody =
    "\n"
    "Не заданы или ошибочны параметры запуска.\n"
    "\n"
    "Verolt.exe [/calc] [/check] [/info] FileName \n"
    "\n"
    "    /calc  - вычислить хэш файла FileName\n"
    "             (значение хэша записывается в файл FileName.hsh)\n"
    "    /check - проверить хэш файла FileName\n"
    "             (значение хэша считывается из файла FileName.hsh)\n"
    "             (если хэш верен, то выйти без сообщения и вернуть exitcode)\n"
    "             (если хэш неверен - сообщение об этом выдается всегда)\n"
    "    /info - проверить хэш и выдать сообщение о результатах проверки\n"
    "\n"
    "Примеры запуска:\n"
    "\n"
    "    Записать хэш файла testfile.txt в файл testfile.txt.hsh:\n"
    "       Verolt.exe /calc testfile.txt\n"
    "\n"
    "    Проверить хэш файла testfile.txt (требуется файл testfile.txt.hsh):\n"
    "       Verolt.exe /info testfile.txt\n"
    "\n"
    "    Проверить хэш файла testfile.txt без выдачи сообщения\n"
    "    о правильном хэше:\n"
    "       Verolt.exe /check testfile.txt\n";

void error_box(std::string_view message, const std::string& name) {
  platform::message_box(platform::BoxText{to_ansi(message), name, ""}, to_ansi(text::kErrorTitle),
                        platform::BoxButtons::Ok, true);
}

}  // namespace

bool parse_single_file_command_line(std::string_view line, SingleFileCommand& command) {
  command = SingleFileCommand{};
  std::size_t i = 0;
  // The program's own name.
  if (!line.empty() && line.front() == '"') {
    const std::size_t close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    i = std::min(line.find(' '), line.size());
  }

  auto add_name = [&](std::string_view name) {
    if (command.names.size() == kMaxSingleFileNames) return false;
    command.names.emplace_back(name);
    return true;
  };

  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    const std::size_t blank = std::min(line.find(' ', i), line.size());
    if (line[i] == '/') {
      const std::string_view letters = line.substr(i + 1);
      std::size_t keyword = 0;
      if (starts_folded(letters, "check")) {
        command.check = true;
        keyword = 5;
      } else if (starts_folded(letters, "info")) {
        command.info = command.check = true;
        keyword = 4;
      } else if (starts_folded(letters, "calc")) {
        command.calc = true;
        keyword = 4;
      } else if (starts_folded(letters, "s256") || starts_folded(letters, "s512")) {
        command.function = hash::Function::gost2012(letters[1] == '2' ? 256 : 512);
        keyword = 4;
      }
      if (keyword != 0) {
        i += 1 + keyword;
        continue;
      }
      if (!platform::slash_word_is_name(line.substr(i, blank - i))) return false;
      if (!add_name(line.substr(i, blank - i))) return false;
      i = blank;
      continue;
    }
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      if (!add_name(line.substr(i + 1, close - i - 1))) return false;
      i = close + 1;
      continue;
    }
    if (!add_name(line.substr(i, blank - i))) return false;
    i = blank;
  }
  return !(command.calc && command.check);
}

int run_single_file_mode(hash::Function function, std::string_view commandLine) {
  SingleFileCommand command;
  if (!parse_single_file_command_line(commandLine, command)) {
    const std::string usage = banner_text() + to_ansi(kUsageBody);
    platform::message_box(platform::BoxText{usage, "", ""}, to_ansi(text::kUsageTitle),
                          platform::BoxButtons::Ok, false);
    return 100;
  }
  if (command.names.empty()) {
    error_box(text::kNoNames, "");
    return 1;
  }

  filehash::FileHasher hasher(environment().engine);
  const hash::Function used = command.function.value_or(function);
  for (const std::string& name : command.names) {
    hash::Value value{};
    if (!hasher.hash_file(name, value, used)) {
      error_box(text::kSingleCannotOpen, name);
      return 1;
    }
    const std::string computed = files::hash_text(value, files::PrintFormat::p2);
    const std::string hashName = files::hash_file_name(name);
    if (command.calc) {
      if (!files::write_hash_file(hashName, computed)) {
        error_box(text::kSingleCannotWrite, hashName);
        return 1;
      }
      continue;
    }
    // With no mode set a name is only hashed.
    if (!command.check) continue;
    std::string stored;
    switch (files::read_hash_file(hashName, stored, computed.size())) {
      case files::HashFileRead::cannotOpen:
        error_box(text::kSingleCannotOpen, hashName);
        return 1;
      case files::HashFileRead::tooShort:
        error_box(text::kSingleCannotRead, hashName);
        return 1;
      case files::HashFileRead::ok:
        break;
    }
    if (stored != computed) {
      error_box(text::kSingleWrongHash, name);
      return 1;
    }
    if (command.info) {
      platform::message_box(platform::BoxText{to_ansi(text::kSingleRightHash), name, ""},
                            to_ansi(text::kCheckTitle), platform::BoxButtons::Ok, false);
    }
  }
  return 0;
}

}  // namespace verolt::app
