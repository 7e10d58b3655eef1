#pragma once
// A scripted source manager in the test process: answers each triplet as the
// test says, records every call, and plays the source's part in the event
// loop (messages delivered through MSG_PROCESSEVENT) and in the transfers.
#include "csTwainScan.h"
#include "dib.h"

#include <QObject>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <vector>

struct FakeCall {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    bool toSource;
};

class FakeSourceManager {
public:
    FakeSourceManager();
    ~FakeSourceManager();

    // ---- script ----
    // Return code of a triplet other than the ones played below; TWRC_SUCCESS when not given.
    std::map<std::pair<TW_UINT16, TW_UINT16>, TW_UINT16> codes;
    // Condition code answered by DAT_STATUS.
    TW_UINT16 condition = TWCC_BUMMER;
    // Messages the source sends once enabled, one per MSG_PROCESSEVENT of its own event.
    std::deque<TW_UINT16> sourceMessages{MSG_XFERREADY};
    // One DIB (or the return code TWRC_CANCEL / TWRC_FAILURE with no DIB) per transfer.
    struct Page {
        TW_UINT16 code;
        std::function<HGLOBAL()> dib;
    };
    std::deque<Page> pages;
    // Answers to MSG_GET and MSG_GETCURRENT by capability; others fail.
    std::map<TW_UINT16, std::function<void(TW_CAPABILITY &)>> answers;
    std::set<TW_UINT16> refused;
    TW_IDENTITY userChoice{};
    TW_UINT16 userSelectCode = TWRC_SUCCESS;

    // ---- record ----
    std::vector<FakeCall> calls;
    struct SetValue {
        TW_UINT16 type;
        TW_UINT32 item;
    };
    std::map<TW_UINT16, SetValue> sets;
    std::vector<TW_UINT16> setOrder;
    // Every item set, in order: a capability set twice shows both values.
    std::vector<std::pair<TW_UINT16, TW_UINT32>> setItems;
    std::vector<TW_IMAGELAYOUT> layouts;

    int count(TW_UINT16 dat, TW_UINT16 msg) const;
    bool enabled() const { return enabled_; }

    // Handy answers and pages.
    static std::function<void(TW_CAPABILITY &)> range(TW_UINT16 type, TW_UINT32 min, TW_UINT32 max, TW_UINT32 step);
    static std::function<void(TW_CAPABILITY &)> oneValue(TW_UINT16 type, TW_UINT32 item);
    static std::function<void(TW_CAPABILITY &)> list(TW_UINT16 conType, TW_UINT16 type, const std::vector<unsigned char> &items,
                                                    TW_UINT32 count, TW_UINT32 current = 0);
    // A grey (8-bit, grey palette) or line-art (1-bit) DIB of the given size; header counts left at 0 when bare.
    static HGLOBAL greyDib(int width, int height, bool bare = false);
    static HGLOBAL lineArtDib(int width, int height);

private:
    static TW_UINT16 entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data);
    TW_UINT16 answer(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 scripted(TW_UINT16 dat, TW_UINT16 msg) const;
    void wake();

    TcsScopedSourceManager scope_;
    QObject notifier_;
    bool enabled_ = false;
    TW_UINT16 pending_ = 0;
};
