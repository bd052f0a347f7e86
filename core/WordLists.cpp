#include "core/WordLists.h"

#include "core/BannedWords.h"
#include "core/Seeds.h"

#include <QFile>
#include <QStandardPaths>

namespace orbisel::core {
namespace {

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// The first line (from 1) holding a control character other than its line end, or 0. Bytes
// below 0x80 are never part of a UTF-8 or GBK multi-byte sequence, so the raw bytes tell.
std::size_t lineWithControlCharacter(std::string_view bytes) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n')
            ++line;
        else if (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] == '\n'))
            continue;
        else if (isControl(c))
            return line;
    }
    return 0;
}

std::string userDataFile(const char *name) {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString() + "/" + name;
}

} // namespace

Result<std::vector<std::string>, WordListError> parseWordList(std::string_view bytes) {
    if (const std::size_t line = lineWithControlCharacter(bytes))
        return Failure{WordListError{WordListErrorKind::ControlCharacter, {}, line}};
    return parseSeeds(bytes);
}

Result<std::vector<std::string>, WordListError> readWordListFile(const std::string &path) {
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return Failure{WordListError{WordListErrorKind::NotFound, path}};
    const auto cannotRead = [&] {
        return Failure{
            WordListError{WordListErrorKind::CannotRead, path + ": " + file.errorString().toStdString()}};
    };
    if (!file.open(QIODevice::ReadOnly))
        return cannotRead();
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return cannotRead();
    auto words =
        parseWordList(std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
    if (!words)
        return Failure{WordListError{words.error().kind, path, words.error().line}};
    return words;
}

Result<std::vector<std::string>, WordListError> readOptionalWordList(const std::string &path) {
    auto words = readWordListFile(path);
    if (!words && words.error().kind == WordListErrorKind::NotFound)
        return std::vector<std::string>{};
    return words;
}

std::string userDictionaryPath() {
    return userDataFile("dictionary.txt");
}

std::string userBannedWordsPath() {
    return userDataFile("banned.txt");
}

const std::vector<std::string> &builtinBannedWords() {
    static const std::vector<std::string> words = parseSeeds(kBuiltinBannedWords);
    return words;
}

} // namespace orbisel::core
