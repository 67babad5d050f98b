#include "errordisplay.h"

#include "messages.h"

void showGeneralError(const QString& errorText) {
    MessageService::current().show(nullptr, QStringLiteral("房屋出租管理"), errorText,
                                   MsgIcon::Critical, MsgButtons::Ok);
}
