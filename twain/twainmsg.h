#pragma once
// What MSG_PROCESSEVENT receives in TW_EVENT.pEvent on this platform: the
// event about to be delivered and its receiver, the counterpart of a window
// message.  The application offers every event of its loop; the source
// claims only the notifications it posted itself.
class QEvent;
class QObject;

struct TwainWindowMessage {
    QObject *receiver;
    QEvent *event;
};
