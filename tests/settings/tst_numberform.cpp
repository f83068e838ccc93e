#include "settings/NumberForm.h"

#include <QTest>
#include <limits>

class TestNumberForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numericValue_data();
    void numericValue();
    void int16Reading_data();
    void int16Reading();
    void colourReading_data();
    void colourReading();
    void numberToText_data();
    void numberToText();
    void roundTrip_data();
    void roundTrip();
};

void TestNumberForm::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("only blanks") << QStringLiteral("   ") << 0.0;
    QTest::newRow("integer") << QStringLiteral("15") << 15.0;
    QTest::newRow("fraction") << QStringLiteral("14.5") << 14.5;
    QTest::newRow("leading blanks and trailing words") << QStringLiteral(" 20 minutes") << 20.0;
    QTest::newRow("negative") << QStringLiteral("-3") << -3.0;
    QTest::newRow("blank then negative") << QStringLiteral(" -2147483640") << -2147483640.0;
    QTest::newRow("fraction without integer part") << QStringLiteral(".5") << 0.5;
    QTest::newRow("point without digits") << QStringLiteral(".") << 0.0;
    QTest::newRow("minus alone") << QStringLiteral("-") << 0.0;
    QTest::newRow("minus then letters") << QStringLiteral("-x5") << 0.0;
    QTest::newRow("trailing point") << QStringLiteral("7.") << 7.0;
    QTest::newRow("second point ends the number") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("tab is not a blank") << QStringLiteral("\t5") << 0.0;
    QTest::newRow("plus is not a sign") << QStringLiteral("+5") << 0.0;
    QTest::newRow("digits after words are ignored") << QStringLiteral("abc 12") << 0.0;
    QTest::newRow("non-ASCII digits are not digits") << QString::fromUtf8("\u0663") << 0.0;
    QTest::newRow("too small to tell from zero")
        << (QStringLiteral("0.") + QStringLiteral("0").repeated(400) + QStringLiteral("1")) << 0.0;
    QTest::newRow("negative and too small")
        << (QStringLiteral("-.") + QStringLiteral("0").repeated(400) + QStringLiteral("7")) << 0.0;
    QTest::newRow("too large is infinite") << (QStringLiteral("1") + QStringLiteral("0").repeated(400))
                                           << std::numeric_limits<double>::infinity();
}

void TestNumberForm::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(NumberForm::numericValue(text), expected);
}

void TestNumberForm::int16Reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("abc") << QStringLiteral("abc") << 0;
    QTest::newRow("14.5 halves to even, down") << QStringLiteral("14.5") << 14;
    QTest::newRow("15.5 halves to even, up") << QStringLiteral("15.5") << 16;
    QTest::newRow("2.5 gives 2") << QStringLiteral("2.5") << 2;
    QTest::newRow("3.5 gives 4") << QStringLiteral("3.5") << 4;
    QTest::newRow("-2.5 gives -2") << QStringLiteral("-2.5") << -2;
    QTest::newRow("2.51 rounds up") << QStringLiteral("2.51") << 3;
    QTest::newRow("minutes text") << QStringLiteral(" 20 minutes") << 20;
    QTest::newRow("-3") << QStringLiteral("-3") << -3;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("largest") << QStringLiteral("32767") << 32767;
    QTest::newRow("smallest") << QStringLiteral("-32768") << -32768;
    QTest::newRow("just above the range clamps") << QStringLiteral("32768") << 32767;
    QTest::newRow("far above the range clamps") << QStringLiteral("99999999999999999999999") << 32767;
    QTest::newRow("below the range clamps") << QStringLiteral("-40000") << -32768;
    QTest::newRow("overflowing digit run clamps") << (QStringLiteral("9").repeated(400)) << 32767;
}

void TestNumberForm::int16Reading()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(NumberForm::toInt16(NumberForm::numericValue(text))), expected);
}

void TestNumberForm::colourReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("pale yellow") << QStringLiteral(" 12648447") << qint64(12648447);
    QTest::newRow("window-text reference") << QStringLiteral("-2147483640") << qint64(-2147483640);
    QTest::newRow("smallest 32-bit") << QStringLiteral("-2147483648") << qint64(-2147483647 - 1);
    QTest::newRow("largest 32-bit") << QStringLiteral("2147483647") << qint64(2147483647);
    QTest::newRow("above 32-bit reads as black") << QStringLiteral("2147483648") << qint64(0);
    QTest::newRow("below 32-bit reads as black") << QStringLiteral("-2147483649") << qint64(0);
    QTest::newRow("half rounds to even") << QStringLiteral("254.5") << qint64(254);
    QTest::newRow("not a number is black") << QStringLiteral("red") << qint64(0);
}

void TestNumberForm::colourReading()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QCOMPARE(qint64(NumberForm::toColour(NumberForm::numericValue(text))), expected);
}

void TestNumberForm::numberToText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("pale yellow") << 12648447.0 << QStringLiteral(" 12648447");
    QTest::newRow("window-text reference") << -2147483640.0 << QStringLiteral("-2147483640");
    QTest::newRow("zero has the blank") << 0.0 << QStringLiteral(" 0");
    QTest::newRow("negative zero is zero") << -0.0 << QStringLiteral(" 0");
    QTest::newRow("half twip") << 100.5 << QStringLiteral(" 100.5");
    QTest::newRow("negative fraction") << -7.25 << QStringLiteral("-7.25");
    QTest::newRow("no separators") << 1234567.0 << QStringLiteral(" 1234567");
    QTest::newRow("single-precision edge") << double(float(4807.5f)) << QStringLiteral(" 4807.5");
}

void TestNumberForm::numberToText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(NumberForm::numberToText(value), expected);
}

void TestNumberForm::roundTrip_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("colour") << 12632256.0;
    QTest::newRow("reference") << -2147483640.0;
    QTest::newRow("window edge") << 3412.5;
    QTest::newRow("negative edge") << -960.0;
    QTest::newRow("small fraction") << 0.125;
}

void TestNumberForm::roundTrip()
{
    QFETCH(double, value);
    QCOMPARE(NumberForm::numericValue(NumberForm::numberToText(value)), value);
}

QTEST_GUILESS_MAIN(TestNumberForm)
#include "tst_numberform.moc"
