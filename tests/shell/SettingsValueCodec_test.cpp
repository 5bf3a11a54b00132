// The settings value codec: the written form of texts that the INI syntax
// must quote or escape, the hand-written forms it must read, and, against
// Qt's own QSettings, that each reads what the other writes.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <random>
#include <string>

#include "shell/SettingsValueCodec.h"
#include "support/QtPrinters.h"

namespace bw::test {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

QString Text(const std::string& utf8) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

TEST(SettingsValueCodec, WritesTextsAsQSettingsDoes) {
    const struct {
        std::string text;
        std::string written;
    } cases[] = {
        {"", ""},
        {"True", "True"},
        {"123;2;8000", "\"123;2;8000\""},
        {"a,b", "\"a,b\""},
        {"=1+1", "\"=1+1\""},
        {" 7", "\" 7\""},
        {"7 ", "\"7 \""},
        {"x\\y\"z", "x\\\\y\\\"z"},
        {"1\t2\r\n", "1\\t2\\r\\n"},
        {"\x01"
         "2",
         "\\x1\\x32"},  // a hexadecimal digit after \x is escaped too
        {"\x1f"
         "g",
         "\\x1fg"},
        {"@x", "@@x"},
        {std::string("a\0b", 3), "@String(a\\0\\x62)"},
        {"Ünïcode 日本 😀", "Ünïcode 日本 😀"},
        // U+FEFF before any byte written as it is: QSettings would drop it.
        {kBom + "1F", "\\xfeff\\x31\\x46"},
        {kBom + "1;2", "\"\\xfeff\\x31;2\""},
        {"\t" + kBom, "\\t\\xfeff"},
        {"x" + kBom, "x" + kBom},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeSettingsValue(c.text), c.written) << c.text;
        EXPECT_EQ(DecodeSettingsValue(c.written), c.text) << c.written;
    }
}

TEST(SettingsValueCodec, ReadsHandWrittenValues) {
    const struct {
        std::string written;
        std::string text;
    } cases[] = {
        {"  plain  ", "plain"},              // blanks around an unquoted value go
        {"\"  quoted  \"  ", "  quoted  "},  // inside quotes they stay
        {"1, 2,3", "1, 2, 3"},               // a list, its items joined
        {"\"1, 2\"", "1, 2"},                // no list inside quotes
        {"a,@@b", "a, @b"},
        {"a,@b", ""},             // an item of another type: no text
        {"\\x41\\102\\u", "AB"},  // hexadecimal, octal, an unknown escape dropped
        {"\\xd83d\\xde00", "😀"},  // a surrogate pair from two escapes
        {"\\xd83dz", "?z"},       // a lone surrogate
        {"a\\\nb", "ab"},         // a line continuation
        {"@Invalid()", ""},
        {"@ByteArray(abc)", "abc"},
        {"@String(x)", "x"},
        {"@Variant(\\0\\0\\0\\x7f)", ""},
        {"@Rect(1 2)", "@Rect(1 2)"},  // not a rectangle: text
        {kBom + "1F", kBom + "1F"},    // a U+FEFF written as it is stays
        {"\xff\xfe", "\xff\xfe"},      // bytes that are no UTF-8 stay as they are
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeSettingsValue(c.written), c.text) << c.written;
}

TEST(SettingsValueCodec, PiecesGiveTheSameFormAsTheWholeText) {
    const std::string texts[] = {"123;2;8000", kBom + "1F;" + kBom,
                                 "\x01"
                                 "ab",
                                 "@x y ",
                                 std::string("\0"
                                             "1",
                                             2)};
    for (const std::string& text : texts) {
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            SettingsValueEncoder encoder;
            encoder.Append(text.substr(0, cut));
            encoder.Append(text.substr(cut));
            EXPECT_EQ(encoder.Finish(), EncodeSettingsValue(text)) << text << " cut at " << cut;
        }
    }
}

TEST(SettingsValueCodec, ALongValueComesInBlocksThatJoinToItsForm) {
    std::string text;
    for (int i = 0; i < 300000; ++i) text += std::to_string(i) + (i % 7 ? ";" : "\t;");
    SettingsValueEncoder encoder;
    encoder.Append(text);
    const std::vector<std::string> blocks = encoder.FinishBlocks();
    ASSERT_GT(blocks.size(), 1u);
    std::string joined;
    for (const std::string& block : blocks) joined += block;
    EXPECT_EQ(joined, EncodeSettingsValue(text));
    EXPECT_EQ(DecodeSettingsValue(joined), text);
}

// Each case goes through a file of its own, which QSettings has not read
// before (it keeps the files it read for the process).
class AgainstQSettings : public ::testing::Test {
protected:
    // What QSettings writes for text, and reads from written.
    std::string QtWrites(const QString& text) {
        const QString path = dir.filePath(QStringLiteral("qt%1.ini").arg(files++));
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(QStringLiteral("S/k"), text);
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("[S]\nk=") && bytes.endsWith("\n")) << bytes.constData();
        return bytes.mid(6).chopped(1).toStdString();
    }
    QString QtReads(const std::string& written) {
        const QString path = dir.filePath(QStringLiteral("ours%1.ini").arg(files++));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[S]\nk=");
        file.write(written.data(), static_cast<qint64>(written.size()));
        file.write("\n");
        file.close();
        return QSettings(path, QSettings::IniFormat).value(QStringLiteral("S/k")).toString();
    }

    // In memory where the system offers it: QSettings syncs every file it
    // writes to the disk.
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                          ? QStringLiteral("/dev/shm/basewright-codec-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/basewright-codec-XXXXXX")};
    int files = 0;
};

TEST_F(AgainstQSettings, EachReadsWhatTheOtherWrites) {
    // Characters that the syntax treats specially, mixed at random.
    const char16_t alphabet[] = u" \t;,=\\\"@0123456789abcdefxX\x01\x1f\x7f\r\nZé日\xFEFF";
    std::mt19937 random(7);
    std::vector<QString> texts = {QString(),
                                  QStringLiteral("True"),
                                  QString(QChar(0xFEFF)) + QStringLiteral("1F"),
                                  QStringLiteral("a") + QChar(0) + QStringLiteral("1"),
                                  QString::fromUtf8("😀;x"),
                                  QStringLiteral("@@"),
                                  QStringLiteral("  ")};
    for (int i = 0; i < 200; ++i) {
        QString text;
        const int length = static_cast<int>(random() % 9);
        for (int k = 0; k < length; ++k) text += QChar(alphabet[random() % (std::size(alphabet) - 1)]);
        texts.push_back(text);
    }
    for (const QString& text : texts) {
        const std::string utf8 = text.toUtf8().toStdString();
        const std::string ours = EncodeSettingsValue(utf8);
        EXPECT_EQ(QtReads(ours), text) << ours;
        EXPECT_EQ(Text(DecodeSettingsValue(QtWrites(text))), text) << utf8;
        // The same bytes as QSettings, but for a U+FEFF it would lose.
        if (!text.contains(QChar(0xFEFF))) {
            EXPECT_EQ(ours, QtWrites(text)) << utf8;
        }
    }
}

}  // namespace
}  // namespace bw::test
