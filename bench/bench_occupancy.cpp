// Occupancy: opening the meter-reading and check-out screens, and one
// keystroke in their room fields, each beside the same statements run on the
// bare engine.
#include "bench.h"

#include "lookupfield.h"

#include "monthlytables.h"
#include "querymodel.h"
#include "sqlcatalog.h"
#include "tcbglform.h"
#include "ttfglform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace {

// One key pressed and released in the edit, as the keyboard delivers it.
void typeKey(QLineEdit* edit, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &release);
}

} // namespace

ZT_BENCH(occupancy, 30)
{
    // Meter reading: the rooms of fjcb and this month's readings of let rooms.
    TCbglForm* reading = nullptr;
    const double openReading = timeMs([&] { reading = new TCbglForm; });
    const QString readingList = catalogText("TCbglForm list")
                                    .replace(QStringLiteral("zf_Biaodi202403"), BiaodiName);
    report("open meter reading (rooms + month's list)", openReading,
           bareMs(catalogText("TCbglForm rooms")) + bareMs(readingList));
    reading->findChild<QPushButton*>(QStringLiteral("bitbtn_insert"))->click();
    auto* room = reading->findChild<QLineEdit*>(QStringLiteral("Ed_Fh"));
    const double keyReading = timeMs([&] { typeKey(room, Qt::Key_1, QStringLiteral("1")); });
    report("meter reading: key \"1\" in the room field", keyReading,
           bareMs(catalogText("TCbglForm rooms filtered"), {QStringLiteral("1%")}));
    std::printf("  %d rooms offered for \"%s\"\n", reading->roomLookup().model().rowCount(),
                qPrintable(room->text()));
    const double keyReading2 = timeMs([&] { typeKey(room, Qt::Key_0, QStringLiteral("0")); });
    report("meter reading: key \"0\" after it", keyReading2,
           bareMs(catalogText("TCbglForm rooms filtered"), {QStringLiteral("10%")}));
    delete reading;

    // Check-out: the completed check-outs, then the let search per key.
    TTfglForm* checkOut = nullptr;
    const double openCheckOut = timeMs([&] { checkOut = new TTfglForm; });
    report("open check-out (completed check-outs)", openCheckOut, bareMs(catalogText("TTfglForm list")));
    std::printf("  %d check-outs listed\n", checkOut->listModel().rowCount());
    checkOut->findChild<QPushButton*>(QStringLiteral("bitbtn_insert"))->click();
    auto* search = checkOut->findChild<QLineEdit*>(QStringLiteral("Ed_Fh"));
    const double keyCheckOut = timeMs([&] { typeKey(search, Qt::Key_1, QStringLiteral("1")); });
    report("check-out: key \"1\" in the room field", keyCheckOut,
           bareMs(catalogText("TTfglForm search"), {QStringLiteral("1%"), QStringLiteral("1%")}) +
               bareMs(catalogText("TTfglForm deposit"), {QStringLiteral("K00000"), QStringLiteral("1000")}));
    std::printf("  %d lets found\n", checkOut->search().count());
    const double keyCheckOut2 = timeMs([&] { typeKey(search, Qt::Key_0, QStringLiteral("0")); });
    report("check-out: key \"0\" after it", keyCheckOut2,
           bareMs(catalogText("TTfglForm search"), {QStringLiteral("10%"), QStringLiteral("10%")}) +
               bareMs(catalogText("TTfglForm deposit"), {QStringLiteral("K00000"), QStringLiteral("1000")}));
    delete checkOut;
}
