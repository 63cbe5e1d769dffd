// Texts and values the program must produce, shared by the end-to-end tests. Texts are written
// in UTF-8 and turned into console or file bytes by the runner's con() and ansi().
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "runner.h"

namespace verolt::e2e {

inline constexpr std::string_view kShortUsage =
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

inline constexpr std::string_view kFullUsage =
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

inline constexpr std::string_view kBannerStart = "Verolt.exe Версия 4.01, ";

// Hash values (byte 0 first, print format p2) and their p1 renderings as files hold them.
inline constexpr std::string_view kAbcSet0 =
    "F3134348C44FB1B2A277729E2285EBB5CB5E0F29C975BC753B70497C06A4D51D";
inline constexpr std::string_view kAbcSet1 =
    "66C74903216753B602D24E18EC85C110380AC71741AC90E2ADBDA3E1D035FE2F";
inline constexpr std::string_view kAbcSet2 =
    "B285056DBF18D7392D7677369524DD14747459ED8143997E163B2986F92FD42C";
inline constexpr std::string_view kAbcSet0P1 =
    "1DD5 A406 7C49 703B 75BC 75C9 290F 5ECB B5EB 8522 9E72 77A2 B2B1 4FC4 4843 13F3";
inline constexpr std::string_view kAbcSet1P1 =
    "2FFE 35D0 E1A3 BDAD E290 AC41 17C7 0A38 10C1 85EC 184E D202 B653 6721 0349 C766";
inline constexpr std::string_view kAbcSet2P1 =
    "2CD4 2FF9 8629 3B16 7E99 4381 ED59 7474 14DD 2495 3677 762D 39D7 18BF 6D05 85B2";
inline constexpr std::string_view kEmptySet0 =
    "CE85B99CC46752FFFEE35CAB9A7B0278ABB4C2D2055CFF685AF4912C49490F8D";
inline constexpr std::string_view kEmptySet2 =
    "981E5F3CA30C841487830F84FB433E13AC1101569B9C13584AC483234CD656C0";
// "This is message, length=32 bytes" and "Suppose the original message has length = 50 bytes",
// parameter set 0.
inline constexpr std::string_view kMessage32 = "This is message, length=32 bytes";
inline constexpr std::string_view kMessage32Set0 =
    "B1C466D37519B82E8319819FF32595E047A28CB6F83EFF1C6916A815A637FFFA";
inline constexpr std::string_view kMessage50 = "Suppose the original message has length = 50 bytes";
inline constexpr std::string_view kMessage50Set0 =
    "471ABA57A60A770D3A76130635C1FBEA4EF14DE51F78B4AE57DD893B62F55208";
// 64 bytes FF: the control sum carries through all eight words.
inline constexpr std::string_view kOnes64Set0 =
    "13416C4EC74A63C3EC90CB1748FD462C7572C6C6B41844E48CC1184D1E916098";
inline constexpr std::string_view kOnes64Set1 =
    "31BE753D293880B38C226B932A13F85ED289CF8BAC358F644CCC88B45C94690C";
inline constexpr std::string_view kOnes64Set2 =
    "58504D26B3677E756BA3F4A9FD2F14B3BA5457066A4AA1D700659B90DCDDD3C6";

// 300000 bytes, byte i = (131 i + 17) mod 256: three reads of the program, and its hash with
// parameter set 2 (computed with an independent implementation).
inline std::string big_content() {
  std::string bytes(300000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>((131 * i + 17) % 256);
  }
  return bytes;
}
inline constexpr std::size_t kBigSize = 300000;
inline constexpr std::string_view kBigSet2 =
    "38145892958CBDADECFDDD3129B9D33DF7E422A517DA3FCFD66441949840A685";

// Bytes as the program shows them to people: each control byte (0x00-0x1F, 0x7F) as \xHH and,
// with `c1`, each byte of a UTF-8 C1 control (C2 80..C2 9F) so.
inline std::string escaped(std::string_view bytes, bool c1) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const bool pair = c1 && byte == 0xC2 && i + 1 < bytes.size() &&
                      (static_cast<unsigned char>(bytes[i + 1]) & 0xE0) == 0x80;
    if (byte >= 0x20 && byte != 0x7F && !pair) {
      out.push_back(bytes[i]);
      continue;
    }
    for (std::size_t k = 0; k < (pair ? 2u : 1u); ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + k]);
      out += "\\x";
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    }
    if (pair) ++i;
  }
  return out;
}
// A name read as raw bytes, as the console shows it: escaped, the C1 controls too under the
// runner's UTF-8 locale on POSIX (on Windows 0x80-0x9F are letters).
inline std::string con_shown(std::string_view bytes) {
  return con_raw_name(escaped(bytes, !target().windows));
}
// The same name in a line of a report file, which no terminal's set decides: control bytes only.
inline std::string report_shown(std::string_view bytes) { return escaped(bytes, false); }

// The two console lines of a file hashed without an output file.
inline std::string con_pair(std::string_view utf8Name, std::string_view value) {
  return con_name(utf8Name) + nl() + std::string(value) + nl();
}
// One hash line of a hash list.
inline std::string list_line(std::string_view utf8Name, std::string_view value) {
  return list_name(utf8Name) + "\t" + std::string(value) + std::string(kCrLf);
}
// A program text as one line of a list file.
inline std::string ansi_line(std::string_view utf8) { return ansi(utf8) + std::string(kCrLf); }

// The messages that echo a typed argument take it as typed, in UTF-8.
inline std::string unknown_option(std::string_view arg) {
  return con("Ошибка! Неизвестный параметр: ") + con_arg(arg) + nl() +
         con("Используйте /? для помощи\n");
}
inline std::string extra_operand(std::string_view arg) {
  return con("Ошибка! Неизвестный параметр: ") + con_arg(arg) + nl();
}
inline std::string created(std::string_view outputName) {
  return con("Создан файл: ") + con_arg(outputName) + nl();
}
inline std::string overwrite_prompt(std::string_view outputName) {
  return con("Файл ") + con_arg(outputName) + con(" уже существует!\nПерезаписать? (Y/N): ");
}
inline std::string cannot_create(std::string_view outputName) {
  return con("Ошибка создания файла: ") + con_arg(outputName) + nl();
}
// A file that cannot be opened, before its name: on the console, in verification boxes, report
// lines and the audit (a blank before the colon).
inline constexpr std::string_view kCannotOpenListed = "Ошибка! Не могу открыть файл : ";
// Its console line.
inline std::string cannot_open_file(std::string_view utf8Name) {
  return con(kCannotOpenListed) + con_name(utf8Name) + nl();
}
// The same line for a name read as raw bytes, escaped as the console shows names.
inline std::string cannot_open_shown(std::string_view bytes) {
  return con(kCannotOpenListed) + con_shown(bytes) + nl();
}
// The console line of a list file that cannot be opened (no blank before the colon).
inline std::string cannot_open_list(std::string_view listName) {
  return con("Ошибка! Не могу открыть файл: ") + con_arg(listName) + nl();
}
inline constexpr std::string_view kOpenFailure = "- ошибка при открытии файла";
inline constexpr std::string_view kNotFound = "Ошибка! Файлы не найдены (измените маску поиска)!";
inline constexpr std::string_view kMaskSummary = "Ошибка! Не все файлы были учтены!";
inline constexpr std::string_view kListSummary = "Ошибка! Не все файлы были обработаны правильно!";
inline constexpr std::string_view kConflict = "Ошибка! Параметр /r не совместим с /l /t /f\n";

// `text` `count` times over.
inline std::string repeat(std::string_view text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

// ASCII letters in the other case: hex digits as lists and other tools may write them.
inline std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}
inline std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Message boxes in their console form (the runner sets VEROLT_BOXES=console).

inline constexpr std::string_view kBoxTitle = "Verolt Версия 4.01";
inline constexpr std::string_view kCheckTitle = "Verolt Версия 4.01, результат проверки хэша";
inline constexpr std::string_view kErrorTitle = "Verolt Версия 4.01. Ошибка";
inline constexpr std::string_view kUsageTitle = "Verolt Версия 4.01. Не заданы параметры запуска";
// What stands before the name in the verification boxes.
inline constexpr std::string_view kWrongHashBox =
    "Ошибка! Хэш файла не верен! Файл искажен!\nИмя файла: ";
inline constexpr std::string_view kMissingHashBox =
    "Ошибка! Хэш файла не найден\nили неправильный формат хранения хэша!\nИмя файла: ";
// The same in the boxes of the single-file modes.
inline constexpr std::string_view kCannotOpenOne = "Ошибка! Не могу открыть файл!\nИмя файла: ";
inline constexpr std::string_view kCannotWriteOne = "Ошибка! Не могу записать файл!\nИмя файла: ";
inline constexpr std::string_view kCannotReadOne = "Ошибка! Не могу прочитать файл!\nИмя файла: ";
inline constexpr std::string_view kRightHashOne =
    "Хэш файла верен. Файл не был искажен.\nИмя файла: ";

// A box: its title, the error mark, the text (console bytes), and a line end where the text
// has none.
inline std::string box(std::string_view title, const std::string& shown, bool error = true) {
  std::string out = nl() + "[ " + con(title) + " ]" + nl() + (error ? "(X) " : "") + shown;
  if (out.back() != '\n') out += nl();
  return out;
}
// The question of a verification about one file; `shown` is the name in console bytes.
inline std::string ask_shown(std::string_view title, std::string_view before,
                             const std::string& shown) {
  return box(title, con(before) + shown + con("\n\nПродолжать проверку?")) + "(Y/N): ";
}
// The same for a name as the list holds it.
inline std::string ask(std::string_view title, std::string_view before, std::string_view listName) {
  return ask_shown(title, before, con_raw_name(listName));
}
inline std::string cannot_open_box(std::string_view listName) {
  return ask(kBoxTitle, kCannotOpenListed, listName);
}
inline std::string wrong_hash_box(std::string_view listName) {
  return ask(kCheckTitle, kWrongHashBox, listName);
}
inline std::string missing_hash_box(std::string_view listName) {
  return ask(kCheckTitle, kMissingHashBox, listName);
}
inline std::string wrong_stream_box() {
  return box(kCheckTitle, con("Ошибка! Потоковый хэш файлов неверен!"));
}
inline std::string format_box() {
  return box(kCheckTitle, con("Ошибка!\nНеправильный формат строки хэша в списке файлов!"));
}
// A box of the single-file modes about a name given in UTF-8.
inline std::string error_box(std::string_view text, std::string_view utf8Name) {
  return box(kErrorTitle, con(text) + con_name(utf8Name));
}

// ---------------------------------------------------------------------------------------------
// Lines of report files and lists; a name as the list holds it.

inline constexpr std::string_view kWrongHashLine =
    "Ошибка! Хэш файла не верен! Файл искажен! Имя файла: ";
inline constexpr std::string_view kMissingHashLine = "Ошибка! Хэш файла не найден. Имя файла: ";
inline constexpr std::string_view kTotalPrefix = "Полный хэш = ";

inline std::string report_line(std::string_view utf8, std::string_view listName) {
  return ansi(utf8) + std::string(listName) + std::string(kCrLf);
}
inline std::string cannot_open_line(std::string_view listName) {
  return report_line(kCannotOpenListed, listName);
}
inline std::string wrong_hash_line(std::string_view listName) {
  return report_line(kWrongHashLine, listName);
}
inline std::string missing_hash_line(std::string_view listName) {
  return report_line(kMissingHashLine, listName);
}
// The last line of a stream hash list.
inline std::string total_line(std::string_view value) {
  return ansi(kTotalPrefix) + std::string(value) + std::string(kCrLf);
}

// ---------------------------------------------------------------------------------------------
// The audit (/a:): one line a difference, the summary last.

inline constexpr std::string_view kAbsentLine = "Ошибка! Файл не найден: ";
inline constexpr std::string_view kNewLine = "Новый файл: ";
inline constexpr std::string_view kMovedLine = "Перемещен файл: ";

struct AuditLine {
  std::string_view message;  // the program's text before the name
  std::string name;          // UTF-8, with the program's separators; a move "<old> -> <new>"
};

// The summary, in UTF-8 with its line end.
inline std::string audit_total(int listed, int checked, int right, int changed, int absent,
                               int fresh, int unread, int moved = 0) {
  const auto n = [](int v) { return std::to_string(v); };
  return "Итого: в списке " + n(listed) + ", проверено " + n(checked) + ", верных " + n(right) +
         ", искажено " + n(changed) + ", не найдено " + n(absent) + ", новых " + n(fresh) +
         ", не прочитано " + n(unread) + ", перемещено " + n(moved) + "\n";
}
// The report is read by people: the program's texts in the locale's set on POSIX (UTF-8 here).
inline std::string report_text(std::string_view utf8) {
  return target().windows ? ansi(utf8) : std::string(utf8);
}
// The audit's lines and summary (audit_total) on the console.
inline std::string audit_console(const std::vector<AuditLine>& lines, std::string_view total) {
  std::string out;
  for (const AuditLine& line : lines) out += con(line.message) + con_name(line.name) + nl();
  return out + con(total);
}
// The same in a report file.
inline std::string audit_report(const std::vector<AuditLine>& lines, std::string_view total) {
  std::string out;
  for (const AuditLine& line : lines) {
    out += report_text(line.message) + list_name(line.name) + std::string(kCrLf);
  }
  return out + report_text(total.substr(0, total.size() - 1)) + std::string(kCrLf);
}

// A scratch directory whose files all hold "abc": every value is kAbcSet2, and a test reads as
// a list of names.
class AbcFiles : public E2ETest {
 protected:
  void files(const std::vector<std::string>& names) const {
    for (const auto& name : names) write(name, "abc");
  }
  static std::string console_of(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += con_pair(name, kAbcSet2);
    return out;
  }
  static std::string list_of(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += list_line(name, kAbcSet2);
    return out;
  }
};

}  // namespace verolt::e2e
