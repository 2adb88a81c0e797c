#include "SceneTestSupport.h"
#include "app/UIniDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QByteArray ExampleFile =
    "[Setting]\r\n"
    "ButtonMode=0\r\n"
    "ClickedButton=0\r\n"
    "MovieFileName=D:\\video\\trip.mpg\r\n"
    "\r\n"
    "[Selected]\r\n"
    "1=C:\\host\\work\\20070514093015_001.bmp\r\n"
    "\r\n"
    "[Position]\r\n"
    "0=1500\r\n"
    "1=62040\r\n"
    "\r\n"
    "[Movie]\r\n"
    "0=D:\\video\\trip.mpg\r\n"
    "1=D:\\video\\trip.mpg\r\n"
    "\r\n";

} // namespace

TEST(IniDocumentFile, ExampleSurvivesARoundTripByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setting.ini");
    PutFileBytes(path, ExampleFile);
    TIniDocument ini(path);
    EXPECT_EQ(ini.ReadString("setting", "moviefilename", ""), "D:\\video\\trip.mpg");
    ini.UpdateFile();
    EXPECT_EQ(FileBytes(path), ExampleFile);
}

TEST(IniDocumentFile, RewriteDropsCommentsBlankLinesAndOrphanLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setting.ini");
    PutFileBytes(path, "orphan=1\n; comment\n\n[Setting]\n;inside\nButtonMode=0x1\n\n\nOther\n[Empty]\n");
    TIniDocument ini(path);
    EXPECT_EQ(ini.ReadInteger("Setting", "ButtonMode", 0), 1);
    EXPECT_FALSE(ini.ValueExists("Setting", "orphan"));
    ini.UpdateFile();
    EXPECT_EQ(FileBytes(path), QByteArray("[Setting]\r\nButtonMode=0x1\r\nOther\r\n\r\n[Empty]\r\n\r\n"));
}

TEST(IniDocumentText, ValuesAreTakenExactlyAfterTheFirstEquals)
{
    TIniDocument ini;
    ini.SetText("[S]\nkey= a=b \n=empty key\nnoequals\n [NotASection]\n[Spaced ]\nk=v");
    EXPECT_EQ(ini.ReadString("S", "KEY", "d"), " a=b ");
    EXPECT_EQ(ini.ReadString("S", "", "d"), "empty key");
    EXPECT_EQ(ini.ReadString("S", "noequals", "d"), "d");
    EXPECT_EQ(ini.ReadString("S", " [NotASection]", "d"), "d");
    EXPECT_EQ(ini.ReadString("Spaced ", "k", "d"), "v");
    EXPECT_EQ(ini.ReadString("Spaced", "k", "d"), "d");
    EXPECT_EQ(ini.ReadString("Missing", "k", "d"), "d");
    EXPECT_EQ(ini.SectionKeys("S"), (QStringList{"key", ""}));
}

TEST(IniDocumentText, WritesReplaceInPlaceAppendAndEraseMovesToTheEnd)
{
    TIniDocument ini;
    ini.SetText("[Setting]\nA=1\nB=2\n[Position]\n0=5\n[Tail]\nx=y\n");
    ini.WriteString("setting", "a", "10");      // replaced where it stands
    ini.WriteInteger("Setting", "C", -3);       // appended to its section
    ini.WriteString("New", "k", "v");           // new section at the end
    ini.EraseSection("POSITION");
    ini.WriteInteger("Position", "0", 7);       // erased and rewritten: at the end
    EXPECT_EQ(ini.Text(),
              "[Setting]\r\na=10\r\nB=2\r\nC=-3\r\n\r\n[Tail]\r\nx=y\r\n\r\n[New]\r\nk=v\r\n\r\n"
              "[Position]\r\n0=7\r\n\r\n");
    EXPECT_EQ(ini.SectionNames(), (QStringList{"Setting", "Tail", "New", "Position"}));
}

TEST(IniDocumentText, IntegersInEverySpelling)
{
    struct Case { const char* text; int expected; };
    const Case cases[] = {
        {"0", 0},           {"42", 42},          {"-1", -1},          {"+7", 7},
        {"0x1", 1},         {"0X1f", 31},        {"$10", 16},         {"$ff", 255},
        {"0x", 99},         {"$", 99},           {"", 99},            {"abc", 99},
        {"12abc", 99},      {"1.5", 99},         {"0xFFFFFFFF", -1},  {"$80000000", INT_MIN},
        {"2147483647", INT_MAX}, {"2147483648", 99}, {"-2147483648", INT_MIN}, {"$100000000", 99},
        {"--1", 99},        {"-$10", -16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TIniDocument::ParseInteger(c.text, 99), c.expected) << c.text;
}

TEST(IniDocumentEncoding, ShiftJisFileIsReadAndWrittenBackInShiftJis)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setting.ini");
    // "[Setting]" / "MovieFileName=C:\ビデオ\旅行.mpg" in Shift-JIS.
    const QByteArray sjisPath = QByteArray("C:\\") + QByteArray::fromHex("837283668349") + "\\"
                                + QByteArray::fromHex("97b78d73") + ".mpg";
    PutFileBytes(path, "[Setting]\r\nMovieFileName=" + sjisPath + "\r\n");
    TIniDocument ini(path);
    EXPECT_EQ(ini.Encoding(), TextCodec::Encoding::ShiftJis);
    EXPECT_EQ(ini.ReadString("Setting", "MovieFileName", ""), QStringLiteral("C:\\ビデオ\\旅行.mpg"));
    ini.WriteString("Setting", "Title", QStringLiteral("表示"));
    ini.UpdateFile();
    EXPECT_EQ(FileBytes(path), "[Setting]\r\nMovieFileName=" + sjisPath + "\r\nTitle=" + QByteArray::fromHex("955c8ea6")
                                 + "\r\n\r\n");
}

TEST(IniDocumentEncoding, WhatTheFileCannotHoldIsWrittenAsAQuestionMark)
{
    struct Case
    {
        const char* name;
        QString value;
        QByteArray shiftJis; // the value as written into a Shift-JIS file
        QByteArray utf8;     // ... into a UTF-8 file
    };
    const Case cases[] = {
        {"accent", QStringLiteral("/v/café.mp4"), "/v/caf?.mp4", QStringLiteral("/v/café.mp4").toUtf8()},
        {"hangul between kana", QStringLiteral("ビ한デ"), QByteArray::fromHex("8372") + "?" + QByteArray::fromHex("8366"),
         QStringLiteral("ビ한デ").toUtf8()},
        {"outside the BMP", QStringLiteral("a\U0001F600b"), "a?b", QStringLiteral("a\U0001F600b").toUtf8()},
        {"line breaks", QStringLiteral("a\r\nb\nc\rd"), "a??b?c?d", "a??b?c?d"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        for (const bool shiftJis : {true, false}) {
            const QString path = dir.filePath("setting.ini");
            // A comment ";動画" in Shift-JIS makes the file read as Shift-JIS.
            const QByteArray comment = shiftJis ? ";" + QByteArray::fromHex("93ae89e6") + "\r\n" : QByteArray();
            PutFileBytes(path, "[Setting]\r\n" + comment);
            TIniDocument ini(path);
            ini.WriteString("Setting", "MovieFileName", c.value);
            ini.WriteString("Setting", "After", "1");
            ASSERT_NO_THROW(ini.UpdateFile()) << c.name;
            EXPECT_EQ(FileBytes(path), "[Setting]\r\nMovieFileName=" + (shiftJis ? c.shiftJis : c.utf8)
                                         + "\r\nAfter=1\r\n\r\n")
                << c.name << (shiftJis ? " in Shift-JIS" : " in UTF-8");
        }
    }
}

TEST(IniDocumentEncoding, Utf8FileStaysUtf8)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setting.ini");
    PutFileBytes(path, QStringLiteral("[Setting]\nMovieFileName=/home/ユーザー/旅行.mp4\n").toUtf8());
    TIniDocument ini(path);
    EXPECT_EQ(ini.Encoding(), TextCodec::Encoding::Utf8);
    ini.UpdateFile();
    EXPECT_EQ(FileBytes(path), QStringLiteral("[Setting]\r\nMovieFileName=/home/ユーザー/旅行.mp4\r\n\r\n").toUtf8());

    // A byte-order mark is not part of the first section's name, and stays.
    PutFileBytes(path, "\xEF\xBB\xBF[Setting]\r\nButtonMode=1\r\n");
    TIniDocument marked(path);
    EXPECT_EQ(marked.ReadInteger("Setting", "ButtonMode", 0), 1);
    marked.UpdateFile();
    EXPECT_EQ(FileBytes(path), "\xEF\xBB\xBF[Setting]\r\nButtonMode=1\r\n\r\n");
}

TEST(IniDocumentEncoding, TextNeitherUtf8NorShiftJisIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setting.ini");
    const QByteArray unreadable[] = {
        QByteArray("[Setting]\nA=\x81\x20\xff\xfe\n", 16),                           // one invalid Shift-JIS byte
        QByteArray("\xff\xfe[\0S\0]\0\r\0\n\0", 12),                                // UTF-16 with its mark
        QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10),                               // binary data
        "[Setting]\r\n" + QByteArray((16 << 20) + 1, 'x'),                            // over 16 MiB
    };
    for (const QByteArray& bytes : unreadable) {
        PutFileBytes(path, bytes);
        EXPECT_THROW(TIniDocument{path}, EIniFileError) << bytes.left(12).toHex().toStdString();
    }
}

TEST(IniDocumentWrite, FailedWriteLeavesThePreviousFileIntact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setting.ini");
    const QByteArray original = "; host's own file\n[Setting]\nButtonMode=1\n";
    PutFileBytes(path, original);
    TIniDocument ini(path);
    ini.WriteString("Setting", "ClickedButton", "3");

    // A read-only exchange file is not replaced behind the host's back.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_THROW(ini.UpdateFile(), EIniFileError);
    EXPECT_EQ(FileBytes(path), original);
    ::chmod(QFile::encodeName(path).constData(), 0644);

    // A folder that cannot take the replacement file (here: the path is
    // turned into a folder, so the final rename must fail).
    const QString folderPath = dir.filePath("taken");
    TIniDocument blocked(folderPath);
    blocked.SetText("[S]\nk=v\n");
    ASSERT_TRUE(QDir().mkpath(folderPath + "/inner"));
    EXPECT_THROW(blocked.UpdateFile(), EIniFileError);
    EXPECT_TRUE(QFileInfo(folderPath + "/inner").isDir());
}

TEST(IniDocumentFile, DevicesAndPipesAreRefusedWithoutReadingForEver)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("setting.ini");
    ASSERT_TRUE(QFile::link("/dev/zero", link));
    EXPECT_THROW(TIniDocument{link}, EIniFileError);

    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(TIniDocument{fifo}, EIniFileError);
}
