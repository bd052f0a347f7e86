#include "core/inputs/WordLists.h"

#include "core/base/UserData.h"
#include "core/inputs/BannedWords.h"
#include "core/inputs/Seeds.h"

#include <QFile>

namespace orbisel::core {
Result<std::vector<std::string>, WordListError> parseWordList(std::string_view bytes) {
    auto words = parseSeeds(bytes);
    if (words)
        return std::move(words).value();
    const WordListErrorKind kind = words.error().kind == SeedsErrorKind::ControlByte
                                       ? WordListErrorKind::ControlCharacter
                                       : WordListErrorKind::BadEncoding;
    return Failure{WordListError{kind, {}, static_cast<std::size_t>(words.error().line)}};
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
    static const std::vector<std::string> words = parseSeeds(kBuiltinBannedWords).value();
    return words;
}

} // namespace orbisel::core
