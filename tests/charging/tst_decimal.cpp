// Exact decimals: what the server accepts as a number, the arithmetic of
// readings, prices and amounts, and the shortest written form.
#include "decimal.h"

#include <QtTest>

class TestDecimal : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written"); // "" when not a number
        QTest::newRow("plain") << "120.5"
                               << "120.5";
        QTest::newRow("blanks and sign") << "  -0012.300 "
                                         << "-12.3";
        QTest::newRow("plus") << "+7"
                              << "7";
        QTest::newRow("leading point") << ".5"
                                       << "0.5";
        QTest::newRow("trailing point") << "5."
                                        << "5";
        QTest::newRow("zero places") << "0.00"
                                     << "0";
        QTest::newRow("minus zero") << "-0"
                                    << "0";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("point only") << "."
                                    << "";
        QTest::newRow("sign only") << "-"
                                   << "";
        QTest::newRow("two points") << "1.2.3"
                                    << "";
        QTest::newRow("exponent") << "1e5"
                                  << "";
        QTest::newRow("inner blank") << "1 2"
                                     << "";
        QTest::newRow("thousands") << "1,200"
                                   << "";
        QTest::newRow("too long") << QString(40, u'9') << "";
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QString, written);
        const auto d = Decimal::parse(text);
        QCOMPARE(d ? d->toString() : QString(), written);
    }

    void arithmetic_data() {
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<QString>("later");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("usage");
        QTest::addColumn<QString>("amount"); // rounded to two places
        QTest::newRow("worked case") << "120.5"
                                     << "132.8"
                                     << "2.5"
                                     << "12.3"
                                     << "30.75";
        QTest::newRow("binary noise free") << "0.1"
                                           << "0.3"
                                           << "1"
                                           << "0.2"
                                           << "0.2";
        QTest::newRow("half away from zero") << "50"
                                             << "57.25"
                                             << "2.5"
                                             << "7.25"
                                             << "18.13";
        QTest::newRow("negative half") << "57.25"
                                       << "50"
                                       << "2.5"
                                       << "-7.25"
                                       << "-18.13";
        QTest::newRow("four-place price") << "0"
                                          << "12.3"
                                          << "0.6125"
                                          << "12.3"
                                          << "7.53";
        QTest::newRow("meter went down") << "80"
                                         << "70.5"
                                         << "2.5"
                                         << "-9.5"
                                         << "-23.75";
        QTest::newRow("no usage") << "0"
                                  << "0"
                                  << "3.5"
                                  << "0"
                                  << "0";
    }
    void arithmetic() {
        QFETCH(QString, earlier);
        QFETCH(QString, later);
        QFETCH(QString, price);
        QFETCH(QString, usage);
        QFETCH(QString, amount);
        const Decimal used = *Decimal::parse(later) - *Decimal::parse(earlier);
        QCOMPARE(used.toString(), usage);
        QCOMPARE((*Decimal::parse(price) * used).rounded(2).toString(), amount);
        QCOMPARE((used + *Decimal::parse(earlier)).toString(), Decimal::parse(later)->toString());
    }

    void overflowThrows() {
        const Decimal big = *Decimal::parse(QString(30, u'9'));
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, big * big);
    }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
