#include "pages/StripMarkup.h"
#include "support/LiteralStrip.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

class TestStripMarkup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
    void agreesWithOnePassPerTag_data();
    void agreesWithOnePassPerTag();
    void stopsWhenCancelled();
};

void TestStripMarkup::rules_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bold label keeps its line end")
        << QStringLiteral("<b>Temperature</b>\n") << QStringLiteral("Temperature\n");
    QTest::newRow("closing bracket before any tag is text")
        << QStringLiteral("a > b <i>c</i>") << QStringLiteral("a > b c");
    QTest::newRow("comment ends at its first closing bracket")
        << QStringLiteral("<!-- x > y -->z") << QStringLiteral(" y -->z");
    QTest::newRow("tag over two lines loses its line end")
        << QStringLiteral("<a\nhref=x>text") << QStringLiteral("text");
    QTest::newRow("tag over two CR LF lines")
        << QStringLiteral("<a\r\nhref=x>text\r\n") << QStringLiteral("text\r\n");
    QTest::newRow("line of only a tag becomes empty")
        << QStringLiteral("a\n<tr>\nb\n") << QStringLiteral("a\n\nb\n");
    QTest::newRow("unclosed tag stays with all after it")
        << QStringLiteral("abc<def") << QStringLiteral("abc<def");
    QTest::newRow("tags before an unclosed one go")
        << QStringLiteral("<p>x<b>y<z and more") << QStringLiteral("xy<z and more");
    QTest::newRow("a stray opening bracket swallows up to the next tag's end")
        << QStringLiteral("<p>x<b>y<z and <i>more</i>") << QStringLiteral("xymore");
    QTest::newRow("entities survive")
        << QStringLiteral("45&deg;F&nbsp;<br>") << QStringLiteral("45&deg;F&nbsp;");
    QTest::newRow("blanks are not collapsed")
        << QStringLiteral("<td>  a   b  </td>") << QStringLiteral("  a   b  ");
    QTest::newRow("nested opening bracket ends at first closing")
        << QStringLiteral("<a <b> c>d") << QStringLiteral(" c>d");
    QTest::newRow("empty tag") << QStringLiteral("x<>y") << QStringLiteral("xy");
    QTest::newRow("adjacent tags") << QStringLiteral("<a><b><c>") << QString();
    QTest::newRow("tag at the very end") << QStringLiteral("text<br>") << QStringLiteral("text");
    QTest::newRow("text without markup") << QStringLiteral("plain > text") << QStringLiteral("plain > text");
    QTest::newRow("empty text") << QString() << QString();
    QTest::newRow("case is kept") << QStringLiteral("<B>MiXeD</B>") << QStringLiteral("MiXeD");
    QTest::newRow("non-Latin text survives")
        << QString::fromUtf8("<i>Zürich ❄</i>") << QString::fromUtf8("Zürich ❄");
}

void TestStripMarkup::rules()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(StripMarkup(input), expected);
    QCOMPARE(literalStripMarkup(input), expected);
}

namespace {

// Pages made of the awkward pieces markup really has.
QString randomPage(QRandomGenerator& random, int pieces)
{
    static const QStringList parts = {
        QStringLiteral("<"),           QStringLiteral(">"),          QStringLiteral("<b>"),
        QStringLiteral("</td>"),       QStringLiteral("<!-- c -->"), QStringLiteral("<!-- a > b -->"),
        QStringLiteral("<a\nhref=x>"), QStringLiteral("\n"),         QStringLiteral("\r\n"),
        QStringLiteral("text"),        QStringLiteral(" "),          QStringLiteral("&amp;"),
        QStringLiteral("<tr\r\n>"),    QStringLiteral(">>"),         QStringLiteral("<<"),
        QStringLiteral("Temperature"), QStringLiteral("x<y"),        QStringLiteral("a > b"),
    };
    QString page;
    for (int i = 0; i < pieces; ++i)
        page += parts[random.bounded(int(parts.size()))];
    return page;
}

} // namespace

void TestStripMarkup::agreesWithOnePassPerTag_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("pieces");

    QTest::newRow("short pages") << 1u << 3000 << 8;
    QTest::newRow("medium pages") << 2u << 1000 << 60;
    QTest::newRow("long pages") << 3u << 100 << 800;
    QTest::newRow("pages spanning several scan slices") << 4u << 3 << 30000;
}

void TestStripMarkup::agreesWithOnePassPerTag()
{
    QFETCH(quint32, seed);
    QFETCH(int, pages);
    QFETCH(int, pieces);
    QRandomGenerator random(seed);
    for (int i = 0; i < pages; ++i) {
        const QString page = randomPage(random, random.bounded(pieces) + 1);
        const QString expected = literalStripMarkup(page);
        // Scanned whole, and in the chunks between looks at a cancel flag.
        const std::atomic<bool> running{false};
        const QString actual = StripMarkup(page);
        const QString chunked = StripMarkup(page, &running);
        if (actual != expected || chunked != expected) {
            QString escaped = page;
            escaped.replace(QLatin1Char('\n'), QStringLiteral("\\n"))
                .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
            QFAIL(qPrintable(QStringLiteral("page %1 differs: %2").arg(i).arg(escaped)));
        }
    }
}

void TestStripMarkup::stopsWhenCancelled()
{
    // A worker reading a page that is no longer wanted gives up, and what
    // it answers is never taken for a stripped page.
    const QString page = QStringLiteral("<tr><td>value</td></tr>\n").repeated(200000);
    const std::atomic<bool> cancelled{true};
    QCOMPARE(StripMarkup(page, &cancelled), QString());
}

QTEST_GUILESS_MAIN(TestStripMarkup)
#include "tst_stripmarkup.moc"
