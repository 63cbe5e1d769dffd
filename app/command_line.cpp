#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/messages.h"
#include "files/console.h"
#include "files/texts.h"
#include "platform/command_line.h"
#include "text/ascii.h"

namespace verolt::app {

namespace {

using files::to_ansi;

constexpr std::string_view kShortUsage =
    "\n"
    "ПО расчета значений хэш-функции файлов по Российским стандартам ГОСТ\n"
    "Verolt [options] [path+mask] [outfile]\n"
    "    Если задан параметр [outfile], то вывод программы выдается в outfile\n"
    "    Опции:\n"
    "      /h0 - набор параметров соответствует примеру в тексте ГОСТ Р 34.11-94\n"
    "      /h1 - при расчете значения хэш-функции используется\n"
    "    \tнабор параметров СКЗИ \"Талвер-М\"\n"
    "      /h2 - при расчете значения хэш-функции используется\n"
    "    \tнабор параметров СКЗИ \"Талвер-С\" и \"CryptoPro CSP\"\n"
    "    \t(параметр используется по умолчанию)\n"
    "      /p1 - печать значений, как в тестовом примере ГОСТ Р 34.11-94\n"
    "      /p2 - печать значений производится слитно, от младших байт к старшим\n"
    "    \t(параметр используется по умолчанию)\n"
    "      /l:<filelist> - в качестве входного потока имен файлов для вычисления хэша\n"
    "    \tиспользуется список файлов в <filelist>, если не задан, используется hash.lst\n"
    "      /m - список файлов в параметре [path+mask] или /l:<filelist>\n"
    "    \tрассматривается программой как единый масив данных для расчета\n"
    "    \tпотокового хэша (аналог утилиты tallyset.exe)\n"
    "      /r - рекурсивный обход каталогов начиная с текущего или указанного\n"
    "    \tв параметре [path+mask]. Параметр не совместим с параметром /l\n"
    "      /? - полный список опций\n";

constexpr std::string_view kFullUsage =
    "      /t:<filelist> - в качестве входного потока имен файлов для проверки хэша\n"
    "    \tиспользуется список файлов в <filelist>, если не задан, используется hash.lst\n"
    "      /f:<filelist> - в качестве имен файлов для проверки потокового хэша\n"
    "    \tиспользуется список файлов в <filelist>, если не задан, используется hash.lst\n"
    "      /calc - вычислить хэш для каждого файла из командной строки\n"
    "    \tзначение хэша записывается в файл FileName1.hsh FileName2.hsh ...\n"
    "      /check - проверить хэш для каждого файла из командной строки\n"
    "    \tзначение хэша считывается из файла FileName1.hsh FileName2.hsh ...\n"
    "    \tесли хэш верен, то выйти без сообщения если не задано /info\n"
    "    \tесли хэш неверен - сообщение об этом выдается всегда\n"
    "      /info - проверить хэш для каждого файла из командной строки\n"
    "    \tи выдать сообщение о результатах проверки\n"
    "\n"
    "      Примеры запуска:\n"
    "    \tЧтобы вычислить хэш для всех файлов в текущей директории\n"
    "    \tи записать результат в файл result.hsh :\n"
    "    \t   Verolt.exe *.* result.hsh\n"
    "\n"
    "    \tЧтобы проверить хэш для списка файлов из result.hsh\n"
    "    \t   Verolt.exe /t:result.hsh\n"
    "\n"
    "    \tЧтобы вычислить потоковый (общий) хэш для всех файлов\n"
    "    \tв текущей директории как в тексте ГОСТ Р 34.11-94:\n"
    "    \tи записать результат в файл result.hsh :\n"
    "    \t   Verolt.exe /m *.* /h0 /p1 result.hsh\n"
    "\n"
    "    \tЧтобы проверить потоковый хэш для списка файлов из result.hsh\n"
    "    \tкак в тексте ГОСТ Р 34.11-94:\n"
    "    \t   Verolt.exe /f:result.hsh /h0 /p1\n"
    "\n"
    "    \tЗаписать хэш файла testfile.txt в файл testfile.txt.hsh\n"
    "    \tа хэш файла testfile2.txt соответственно в файл testfile2.txt.hsh\n"
    "    \t   Verolt.exe /calc testfile.txt testfile2.txt\n"
    "\n"
    "    \tПроверить хэш файла testfile.txt (при этом требуется файл testfile.txt.hsh),\n"
    "    \tа также хэш файла testfile2.txt (при этом требуется файл testfile2.txt.hsh):\n"
    "    \t   Verolt.exe /info testfile.txt testfile2.txt\n"
    "\n"
    "    \tПроверить хэш файлов без выдачи сообщения о правильном хэше:\n"
    "    \t   Verolt.exe /check testfile.txt testfile2.txt\n";

// After the full usage, for "--help" only: "/?" prints what it always printed.
constexpr std::string_view kAdditions =
    "\n"
    "    Дополнительные опции:\n"
    "      /s256 - значение хэш-функции по ГОСТ Р 34.11-2012 длиной 256 бит\n"
    "      /s512 - значение хэш-функции по ГОСТ Р 34.11-2012 длиной 512 бит\n"
    "    \t(действует последний из параметров /h0 /h1 /h2 /s256 /s512;\n"
    "    \tсписки и файлы .hsh проверяются с тем же параметром)\n"
    "    \tПример: хэш всех файлов дерева каталогов в файл sums.hsh\n"
    "    \t   verolt /s256 /r \"*\" sums.hsh\n"
    "      /a:<список> - сверить выбранные файлы со списком хэшей <список>\n"
    "    \t(перемещенный файл выдается строкой\n"
    "    \t\"Перемещен файл: <старое имя> -> <новое имя>\")\n"
    "    \tПример: сверка дерева каталогов с sums.hsh, отчет в файл audit.txt\n"
    "    \t   verolt /s256 /r \"*\" /a:sums.hsh audit.txt\n"
    "      /d - вместе с /r обходить и каталоги, имена которых начинаются с точки\n"
    "      /e:<маска> - исключить из обхода файлы и каталоги, путь которых\n"
    "    \tотносительно начального каталога соответствует маске; маска без \"/\"\n"
    "    \tсравнивается с последней частью пути на любой глубине, маска с \"/\" -\n"
    "    \tсо всем путем; параметр можно задавать несколько раз\n"
    "    \tПример: сверка дерева без журналов\n"
    "    \t   verolt /s256 /r /d /e:\"*.log\" \"*\" /a:sums.hsh\n"
    "      /g - списки хэшей в формате строк утилит GNU и BSD (rhash, gost12sum):\n"
    "    \tзначение строчными буквами, два пробела, имя файла;\n"
    "    \tне совместим с /m /f /p1\n"
    "    \tПример: проверка списка, записанного rhash --gost12-256\n"
    "    \t   verolt /g /s256 /t:sums.txt\n"
    "\n"
    "    Переменные окружения:\n"
    "      VEROLT_THREADS - число потоков хэширования, от 1 до 256\n"
    "    \t(по умолчанию - число ядер процессора)\n"
    "      VEROLT_ENGINE - движок хэш-функции: portable, avx2 или avx512\n"
    "    \t(по умолчанию - самый быстрый из доступных процессору)\n"
    "      VEROLT_BOXES=console - в сборке для Windows окна сообщений\n"
    "    \tвыводятся на консоль (для запуска без оператора)\n";

using verolt::text::equal_folded;
using verolt::text::starts_folded;

enum class ListOption { None, Stream, Names, Verify };

// Which list option an argument is, and the list name it gives. Bare forms come first, as a
// bare "/f" must not be read as "/f:" with nothing after it.
ListOption list_option(std::string_view arg, std::string& listName) {
  struct Form {
    std::string_view bare;
    std::string_view colon;
    ListOption kind;  // cppcheck-suppress unusedStructMember
  };
  static constexpr std::array<Form, 3> kForms = {{{"/f", "/f:", ListOption::Stream},
                                                  {"/l", "/l:", ListOption::Names},
                                                  {"/t", "/t:", ListOption::Verify}}};
  const auto bare = std::find_if(kForms.begin(), kForms.end(),
                                 [&](const Form& form) { return equal_folded(arg, form.bare); });
  if (bare != kForms.end()) {
    listName = kDefaultListName;
    return bare->kind;
  }
  const auto colon = std::find_if(kForms.begin(), kForms.end(),
                                  [&](const Form& form) { return starts_folded(arg, form.colon); });
  if (colon != kForms.end()) {
    listName = std::string(arg.substr(colon->colon.size()));
    return colon->kind;
  }
  return ListOption::None;
}

bool is_known_option(std::string_view arg) {
  static constexpr std::array<std::string_view, 12> kWords = {
      "/calc", "/check", "/info", "/h0", "/h1", "/h2", "/p1", "/p2", "/m", "/r", "/d", "/g"};
  std::string ignored;
  return arg == "/?" || arg == "/help" ||
         std::any_of(kWords.begin(), kWords.end(),
                     [&](std::string_view word) { return equal_folded(arg, word); }) ||
         list_option(arg, ignored) != ListOption::None || starts_folded(arg, "/a:") ||
         starts_folded(arg, "/e:");
}

// Where a path may begin with "/", such a path is an operand unless it is a known option.
bool is_option(std::string_view arg) {
  if (arg.empty() || arg.front() != '/') return false;
  return !platform::slash_word_is_name(arg) || is_known_option(arg);
}

// /m: what the run would hash, as one stream. An audit has refused it before.
RunMode with_stream(RunMode mode) {
  switch (mode.kind()) {
    case RunMode::Kind::kHashList:
      return RunMode::stream_hash(mode.source());
    case RunMode::Kind::kVerifyList:
      return RunMode::stream_of_hash_list();
    default:
      return mode;
  }
}

// A list option accepted after `mode`: the list is the source, and what each option asked stays
// asked. /f verifies the stream whatever came before; /t with /m hashes the names of its list as
// one stream; /l changes the source only.
RunMode with_list(RunMode mode, ListOption option) {
  if (option == ListOption::Stream) return RunMode::verify_stream();
  const bool verify = option == ListOption::Verify;
  switch (mode.kind()) {
    case RunMode::Kind::kHashList:
      return verify ? RunMode::verify_list() : RunMode::hash_list(RunMode::Source::kList);
    case RunMode::Kind::kStreamHash:
      return verify ? RunMode::stream_of_hash_list() : RunMode::stream_hash(RunMode::Source::kList);
    default:
      return mode;  // already reads a list to verify or to take the names of
  }
}

ParsedArguments exit_with(int code) {
  ParsedArguments parsed;
  parsed.outcome = ParsedArguments::Outcome::Exit;
  parsed.exitCode = code;
  return parsed;
}

ParsedArguments unknown_argument(std::string_view arg, bool hint) {
  files::print_text(to_ansi(text::kUnknownOption));
  files::print_argument(arg);
  files::print_raw("\n");
  if (hint) files::print_text(to_ansi(text::kHelpHint));
  return exit_with(100);
}

ParsedArguments audit_conflict() {
  files::print_text(to_ansi(text::kAuditConflict));
  return exit_with(100);
}

ParsedArguments checksum_conflict() {
  files::print_text(to_ansi(text::kChecksumConflict));
  return exit_with(100);
}

ParsedArguments recursive_conflict() {
  files::print_text(to_ansi(text::kRecursiveConflict));
  return exit_with(100);
}

}  // namespace

std::string banner_text() { return to_ansi(text::kBanner); }
std::string short_usage_text() { return to_ansi(kShortUsage); }
std::string full_usage_text() { return to_ansi(kFullUsage); }
std::string additions_text() { return to_ansi(kAdditions); }

ParsedArguments parse_arguments(const std::vector<std::string>& args) {
  ParsedArguments parsed;
  RunSettings& s = parsed.settings;

  for (const std::string& arg : args) {
    if (!is_option(arg)) {
      if (!s.mode.from_list() && !s.maskArg) {
        s.maskArg = arg;
      } else if (!s.outputName) {
        s.outputName = arg;
      } else {
        return unknown_argument(arg, false);
      }
      continue;
    }
    if (arg == "/?" || arg == "/help") {
      files::print_text(banner_text());
      files::print_text(short_usage_text());
      files::print_text(full_usage_text());
      return exit_with(100);
    }
    if (equal_folded(arg, "/calc") || equal_folded(arg, "/check") || equal_folded(arg, "/info")) {
      parsed.outcome = ParsedArguments::Outcome::SingleFile;
      return parsed;
    }
    if (equal_folded(arg, "/h0") || equal_folded(arg, "/h1") || equal_folded(arg, "/h2")) {
      s.function = hash::Function::gost94(arg[2] - '0');
      continue;
    }
    if (equal_folded(arg, "/s256") || equal_folded(arg, "/s512")) {
      s.function = hash::Function::gost2012(arg[2] == '2' ? 256 : 512);
      continue;
    }
    if (equal_folded(arg, "/p1") || equal_folded(arg, "/p2")) {
      s.printFormat = arg[2] == '1' ? files::PrintFormat::p1 : files::PrintFormat::p2;
      continue;
    }
    if (equal_folded(arg, "/m")) {
      if (s.mode.kind() == RunMode::Kind::kAudit) return audit_conflict();
      s.mode = with_stream(s.mode);
      continue;
    }
    if (starts_folded(arg, "/a:")) {
      if (s.mode.from_list() || s.mode.is_stream()) return audit_conflict();
      s.mode = RunMode::audit();
      s.listName = arg.substr(3);
      continue;
    }
    if (equal_folded(arg, "/d")) {
      s.dotDirectories = true;
      continue;
    }
    if (equal_folded(arg, "/g")) {
      s.checksumFormat = true;
      continue;
    }
    if (starts_folded(arg, "/e:")) {
      // A mask that leaves out nothing is a slip, not a choice.
      if (arg.size() == 3) return unknown_argument(arg, true);
      s.excludes.emplace_back(arg.substr(3));
      continue;
    }
    if (equal_folded(arg, "/r")) {
      if (s.mode.from_list()) return recursive_conflict();
      s.recursive = true;
      continue;
    }
    std::string listName;
    const ListOption kind = list_option(arg, listName);
    if (kind == ListOption::None) return unknown_argument(arg, true);
    if (s.mode.kind() == RunMode::Kind::kAudit) return audit_conflict();
    if (s.recursive) return recursive_conflict();
    s.listName = std::move(listName);
    s.mode = with_list(s.mode, kind);
    // With a list option the operand given is the output file, wherever it stands.
    if (s.maskArg) {
      s.outputName = std::move(s.maskArg);
      s.maskArg.reset();
    }
  }
  // The checksum tools' lines carry one value per file in one rendering.
  if (s.checksumFormat && (s.mode.is_stream() || s.printFormat == files::PrintFormat::p1)) {
    return checksum_conflict();
  }
  return parsed;
}

}  // namespace verolt::app
