// JSON numbers under a decimal-comma locale, applied the way the program applies the
// user's locale: by creating the application object.
#include "json/JsonDocument.h"
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <locale.h>

namespace orbisel {
namespace {

constexpr const char *kCommaLocale = "de_DE.UTF-8";

// Compiles kCommaLocale into a private folder (LOCPATH) from the locale sources of the
// Debian package "locales", whether or not the system has it: the same path on every machine.
class CommaLocale {
public:
    CommaLocale() {
        if (!m_folder.isValid()) {
            m_error = "no temporary folder";
            return;
        }
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + m_folder.filePath(kCommaLocale).toStdString() + "' 2>&1";
        const int status = std::system(command.c_str());
        ::setenv("LOCPATH", m_folder.path().toLocal8Bit().constData(), 1);
        if (!loadsFromPrivateFolder())
            m_error = "localedef failed (status " + std::to_string(status) +
                      "); install the Debian package locales (scripts/install-deps.sh)";
    }
    ~CommaLocale() { ::unsetenv("LOCPATH"); }
    const std::string &error() const { return m_error; }

private:
    bool loadsFromPrivateFolder() const {
        if (!QFileInfo(m_folder.filePath(kCommaLocale)).isDir())
            return false;
        locale_t locale = ::newlocale(LC_ALL_MASK, kCommaLocale, static_cast<locale_t>(nullptr));
        if (locale == static_cast<locale_t>(nullptr))
            return false;
        ::freelocale(locale);
        return true;
    }

    QTemporaryDir m_folder;
    std::string m_error;
};

TEST(JsonCommaLocale, numbersKeepTheirPoint) {
    CommaLocale locale;
    ASSERT_EQ(locale.error(), "") << "the decimal-comma locale " << kCommaLocale << " cannot be created";
    const std::string savedLanguage = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
    ::setenv("LC_ALL", kCommaLocale, 1);
    {
        int argc = 1;
        char name[] = "json_comma_locale_test";
        char *argv[] = {name, nullptr};
        QApplication application(argc, argv);
        ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "the application did not apply the locale";

        JsonDocument document;
        ASSERT_TRUE(document.parse(R"({"half":0.5,"small":-1.25e-7,"big":12345678.875,"list":[0.75]})"));
        EXPECT_EQ(document.getText("half"), "0.5");
        EXPECT_EQ(document.getText("small"), "-1.25e-07");
        EXPECT_EQ(document.getText("big"), "12345678.875");
        EXPECT_EQ(document.getElementText(0, "list"), "0.75");
        EXPECT_EQ(document.getNumber("half"), 0.5);

        document.setNumber("set", 2.5);
        document.setNumber("list[1]", -0.125);
        EXPECT_EQ(document.getNumber("set"), 2.5);
        EXPECT_EQ(document.getText("set"), "2.5");
        EXPECT_EQ(document.getJson("list"), "[0.75,-0.125]");
    }
    std::setlocale(LC_ALL, "C");
    if (savedLanguage.empty())
        ::unsetenv("LC_ALL");
    else
        ::setenv("LC_ALL", savedLanguage.c_str(), 1);
}

} // namespace
} // namespace orbisel
