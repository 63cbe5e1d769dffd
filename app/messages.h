// The program's own texts, in UTF-8 here; to_ansi() gives their Windows-1251 bytes.
#pragma once

#include <string_view>

namespace verolt::app::text {

// "4.01" is the program's own version, the one its texts have always shown in the banner and the
// box titles, which users read and scripts match; it is not the package's version (project() in
// CMakeLists.txt), which --version prints on a line of its own.
inline constexpr std::string_view kBoxTitle = "Verolt Версия 4.01";
inline constexpr std::string_view kCheckTitle = "Verolt Версия 4.01, результат проверки хэша";
inline constexpr std::string_view kErrorTitle = "Verolt Версия 4.01. Ошибка";
inline constexpr std::string_view kUsageTitle = "Verolt Версия 4.01. Не заданы параметры запуска";

// Command line and output file.
inline constexpr std::string_view kUnknownOption = "Ошибка! Неизвестный параметр: ";
inline constexpr std::string_view kHelpHint = "Используйте /? для помощи\n";
inline constexpr std::string_view kRecursiveConflict =
    "Ошибка! Параметр /r не совместим с /l /t /f\n";
inline constexpr std::string_view kAuditConflict =
    "Ошибка! Параметр /a: не совместим с /l /t /f /m\n";
inline constexpr std::string_view kChecksumConflict =
    "Ошибка! Параметр /g не совместим с /m /f /p1\n";
inline constexpr std::string_view kFileWord = "Файл ";
inline constexpr std::string_view kOverwriteQuestion = " уже существует!\nПерезаписать? (Y/N): ";
inline constexpr std::string_view kCannotCreate = "Ошибка создания файла: ";
inline constexpr std::string_view kCreated = "Создан файл: ";
inline constexpr std::string_view kStandardOutputFailed = "Ошибка записи в стандартный вывод";
inline constexpr std::string_view kNotAllFromMask = "Ошибка! Не все файлы были учтены!\n";
inline constexpr std::string_view kNotAllFromList =
    "Ошибка! Не все файлы были обработаны правильно!\n";

// Sources and modes.
inline constexpr std::string_view kNoFilesFound =
    "Ошибка! Файлы не найдены (измените маску поиска)!\n";
inline constexpr std::string_view kCannotOpenList = "Ошибка! Не могу открыть файл: ";
inline constexpr std::string_view kCannotOpenFile = "Ошибка! Не могу открыть файл : ";
inline constexpr std::string_view kOpenErrorInList = "- ошибка при открытии файла\n";
inline constexpr std::string_view kContinueQuestion = "\n\nПродолжать проверку?";
inline constexpr std::string_view kWrongHashLine =
    "Ошибка! Хэш файла не верен! Файл искажен! Имя файла: ";
inline constexpr std::string_view kWrongHashBox =
    "Ошибка! Хэш файла не верен! Файл искажен!\nИмя файла: ";
inline constexpr std::string_view kMissingHashLine = "Ошибка! Хэш файла не найден. Имя файла: ";
inline constexpr std::string_view kMissingHashBox =
    "Ошибка! Хэш файла не найден\nили неправильный формат хранения хэша!\nИмя файла: ";
inline constexpr std::string_view kWrongStreamHash = "Ошибка! Потоковый хэш файлов неверен!";
inline constexpr std::string_view kNoTotalLine =
    "Ошибка!\nНеправильный формат строки хэша в списке файлов!";

// The audit of a selection against a stored list.
inline constexpr std::string_view kAbsentLine = "Ошибка! Файл не найден: ";
inline constexpr std::string_view kNewFileLine = "Новый файл: ";
inline constexpr std::string_view kAuditSummary = "Итого: в списке ";
inline constexpr std::string_view kAuditChecked = ", проверено ";
inline constexpr std::string_view kAuditRight = ", верных ";
inline constexpr std::string_view kAuditChanged = ", искажено ";
inline constexpr std::string_view kAuditAbsent = ", не найдено ";
inline constexpr std::string_view kAuditNew = ", новых ";
inline constexpr std::string_view kAuditUnread = ", не прочитано ";
inline constexpr std::string_view kAuditMoved = ", перемещено ";
inline constexpr std::string_view kMovedLine = "Перемещен файл: ";
inline constexpr std::string_view kMovedArrow = " -> ";

// Single-file modes.
inline constexpr std::string_view kNoNames = "Ошибка! Не заданы имена файлов!\n";
inline constexpr std::string_view kSingleCannotOpen = "Ошибка! Не могу открыть файл!\nИмя файла: ";
inline constexpr std::string_view kSingleCannotWrite =
    "Ошибка! Не могу записать файл!\nИмя файла: ";
inline constexpr std::string_view kSingleCannotRead =
    "Ошибка! Не могу прочитать файл!\nИмя файла: ";
inline constexpr std::string_view kSingleWrongHash =
    "Ошибка! Хэш файла не верен! Файл искажен!\nИмя файла: ";
inline constexpr std::string_view kSingleRightHash =
    "Хэш файла верен. Файл не был искажен.\nИмя файла: ";

// "--version": the package's version on a line of its own, after the banner's first.
inline constexpr std::string_view kVersionPackage = "Версия пакета: ";
// "--version": the engine and the hashing threads, on the line after the banner's first.
inline constexpr std::string_view kVersionEngine = "Движок хэш-функции: ";
inline constexpr std::string_view kVersionThreads = ", потоков хэширования: ";
// Where one stream of GOST R 34.11-94 is stepped by another engine than the lanes.
inline constexpr std::string_view kVersionStreamEngine = " (один поток ГОСТ Р 34.11-94: ";

// Banner: the first line's opening and both notices.
inline constexpr std::string_view kBanner =
    "Verolt.exe Версия 4.01, (c) 2026 Разработчики Verolt\n"
    "Программа распространяется свободно и без каких-либо гарантий.\n";

}  // namespace verolt::app::text
