#pragma once
// What the component's tests share: an owner window, the message recorder,
// and the events of one session written down in order.
#include "MessageBox.h"
#include "csTwainScan.h"
#include "dib.h"

#include <QStringList>
#include <QWidget>

#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

// Stages by name in the tests' failure reports.
inline void PrintTo(TcsSessionStage stage, std::ostream *os)
{
    static const char *const names[] = {"NotStarted",         "ManagerNotLoaded", "ManagerNotOpened",
                                        "SourceNotOpened",    "NegotiationRefused", "EnablingRefused",
                                        "Cancelled",          "TransferFailed",   "Completed"};
    *os << names[int(stage)];
}

struct RecordedPage {
    BITMAPINFOHEADER header{};
    std::vector<unsigned char> bytes;
};

class ScanFixture {
public:
    ScanFixture() : service(&messages), scan(std::make_unique<TcsTwainScan>(&owner)) {}

    // Writes down OnNewImage, OnDibReady and OnMemoryReady as "new", "dib", "memory".
    void recordImages(bool withBitmap = true)
    {
        QObject::connect(scan.get(), &TcsTwainScan::OnNewImage, [this](QObject *) { events << "new"; });
        if (withBitmap)
            QObject::connect(scan.get(), &TcsTwainScan::OnDibReady, [this](QObject *, const QImage &image) {
                events << "dib";
                images.push_back(image);
            });
        QObject::connect(scan.get(), &TcsTwainScan::OnMemoryReady, [this](QObject *, HGLOBAL dib) {
            events << "memory";
            GlobalLockGuard lock(dib);
            RecordedPage page;
            std::memcpy(&page.header, lock.data(), sizeof page.header);
            page.bytes.assign(lock.as<unsigned char>(), lock.as<unsigned char>() + GlobalSize(dib));
            pages.push_back(std::move(page));
        });
    }

    QWidget owner;
    platform::MessageRecorder messages;
    platform::ScopedMessageService service;
    std::unique_ptr<TcsTwainScan> scan;
    QStringList events;
    std::vector<QImage> images;
    std::vector<RecordedPage> pages;
};
