#include "FakeSourceManager.h"

#include "twainmsg.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstring>

namespace {

FakeSourceManager *Current = nullptr;

const QEvent::Type WakeEvent = QEvent::Type(QEvent::User + 77);

} // namespace

FakeSourceManager::FakeSourceManager() : scope_(&FakeSourceManager::entry)
{
    Current = this;
    std::strcpy(userChoice.ProductName, "Chosen scanner");
    userChoice.Id = 9;
}

FakeSourceManager::~FakeSourceManager()
{
    Current = nullptr;
}

TW_UINT16 FakeSourceManager::entry(pTW_IDENTITY, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                   TW_MEMREF data)
{
    return Current ? Current->answer(dest, dg, dat, msg, data) : TWRC_FAILURE;
}

int FakeSourceManager::count(TW_UINT16 dat, TW_UINT16 msg) const
{
    int n = 0;
    for (const FakeCall &call : calls)
        n += call.dat == dat && call.msg == msg;
    return n;
}

TW_UINT16 FakeSourceManager::scripted(TW_UINT16 dat, TW_UINT16 msg) const
{
    auto found = codes.find({dat, msg});
    return found == codes.end() ? TW_UINT16(TWRC_SUCCESS) : found->second;
}

void FakeSourceManager::wake()
{
    QCoreApplication::postEvent(&notifier_, new QEvent(WakeEvent));
}

TW_UINT16 FakeSourceManager::answer(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    calls.push_back({dg, dat, msg, dest != nullptr});
    switch (dat) {
    case DAT_STATUS:
        static_cast<TW_STATUS *>(data)->ConditionCode = condition;
        return scripted(dat, msg);
    case DAT_IDENTITY:
        if (msg == MSG_USERSELECT) {
            if (userSelectCode == TWRC_SUCCESS)
                *static_cast<TW_IDENTITY *>(data) = userChoice;
            return userSelectCode;
        }
        if (msg == MSG_OPENDS && scripted(dat, msg) == TWRC_SUCCESS)
            static_cast<TW_IDENTITY *>(data)->Id = 5;
        return scripted(dat, msg);
    case DAT_USERINTERFACE: {
        const TW_UINT16 code = scripted(dat, msg);
        if (msg == MSG_ENABLEDS && code != TWRC_FAILURE) {
            enabled_ = true;
            wake();
        } else if (msg == MSG_DISABLEDS && code == TWRC_SUCCESS) {
            enabled_ = false;
        }
        return code;
    }
    case DAT_EVENT: {
        auto *event = static_cast<TW_EVENT *>(data);
        const auto *message = static_cast<const TwainWindowMessage *>(event->pEvent);
        event->TWMessage = MSG_NULL;
        if (!enabled_ || message->receiver != &notifier_ || message->event->type() != WakeEvent)
            return TWRC_NOTDSEVENT;
        if (!sourceMessages.empty()) {
            event->TWMessage = sourceMessages.front();
            sourceMessages.pop_front();
        }
        if (!sourceMessages.empty())
            wake();
        return TWRC_DSEVENT;
    }
    case DAT_IMAGENATIVEXFER: {
        auto *handle = static_cast<TW_HANDLE *>(data);
        if (pages.empty())
            return TWRC_FAILURE;
        Page page = pages.front();
        pages.pop_front();
        *handle = page.dib ? page.dib() : nullptr;
        return page.code;
    }
    case DAT_PENDINGXFERS: {
        auto *pending = static_cast<TW_PENDINGXFERS *>(data);
        pending->Count = msg == MSG_RESET ? 0 : TW_UINT16(pages.size());
        if (msg == MSG_RESET)
            pages.clear();
        return scripted(dat, msg);
    }
    case DAT_CAPABILITY: {
        auto *capability = static_cast<TW_CAPABILITY *>(data);
        if (msg == MSG_SET) {
            if (refused.count(capability->Cap))
                return TWRC_FAILURE;
            GlobalLockGuard lock(capability->hContainer);
            const TW_ONEVALUE value = *lock.as<TW_ONEVALUE>();
            sets[capability->Cap] = {value.ItemType, value.Item};
            setOrder.push_back(capability->Cap);
            const TW_UINT32 item = value.Item; // a copy: the packed record's item is not aligned
            setItems.emplace_back(capability->Cap, item);
            return TWRC_SUCCESS;
        }
        auto found = answers.find(capability->Cap);
        if (found == answers.end())
            return TWRC_FAILURE;
        found->second(*capability);
        return TWRC_SUCCESS;
    }
    case DAT_IMAGELAYOUT:
        layouts.push_back(*static_cast<TW_IMAGELAYOUT *>(data));
        return scripted(dat, msg);
    default: return scripted(dat, msg);
    }
}

std::function<void(TW_CAPABILITY &)> FakeSourceManager::range(TW_UINT16 type, TW_UINT32 min, TW_UINT32 max,
                                                              TW_UINT32 step)
{
    return [=](TW_CAPABILITY &capability) {
        capability.ConType = TWON_RANGE;
        capability.hContainer = GlobalAlloc(GHND, sizeof(TW_RANGE));
        GlobalLockGuard lock(capability.hContainer);
        *lock.as<TW_RANGE>() = TW_RANGE{type, min, max, step, min, min};
    };
}

std::function<void(TW_CAPABILITY &)> FakeSourceManager::oneValue(TW_UINT16 type, TW_UINT32 item)
{
    return [=](TW_CAPABILITY &capability) {
        capability.ConType = TWON_ONEVALUE;
        capability.hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        GlobalLockGuard lock(capability.hContainer);
        *lock.as<TW_ONEVALUE>() = TW_ONEVALUE{type, item};
    };
}

std::function<void(TW_CAPABILITY &)> FakeSourceManager::list(TW_UINT16 conType, TW_UINT16 type,
                                                             const std::vector<unsigned char> &items, TW_UINT32 count,
                                                             TW_UINT32 current)
{
    return [=](TW_CAPABILITY &capability) {
        const size_t head = conType == TWON_ARRAY ? offsetof(TW_ARRAY, ItemList) : offsetof(TW_ENUMERATION, ItemList);
        capability.ConType = conType;
        capability.hContainer = GlobalAlloc(GHND, head + items.size());
        GlobalLockGuard lock(capability.hContainer);
        auto *bytes = lock.as<unsigned char>();
        std::memcpy(bytes, &type, 2);
        std::memcpy(bytes + 2, &count, 4);
        if (conType != TWON_ARRAY)
            std::memcpy(bytes + 6, &current, 4);
        std::memcpy(bytes + head, items.data(), items.size());
    };
}

HGLOBAL FakeSourceManager::greyDib(int width, int height, bool bare)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 8;
    const size_t size = sizeof header + 256 * 4 + dib_row_bytes(width, 8) * size_t(height);
    HGLOBAL dib = GlobalAlloc(GHND, size);
    GlobalLockGuard lock(dib);
    auto *bytes = lock.as<unsigned char>();
    if (!bare) {
        header.biClrUsed = 256;
        header.biSizeImage = DWORD(dib_row_bytes(width, 8) * size_t(height));
    }
    std::memcpy(bytes, &header, sizeof header);
    for (int i = 0; i < 256; ++i)
        std::memset(bytes + sizeof header + i * 4, i, 3);
    for (size_t i = sizeof header + 256 * 4; i < size; ++i)
        bytes[i] = BYTE(i * 7);
    return dib;
}

HGLOBAL FakeSourceManager::lineArtDib(int width, int height)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 1;
    header.biClrUsed = 2;
    header.biSizeImage = DWORD(dib_row_bytes(width, 1) * size_t(height));
    const size_t size = sizeof header + 2 * 4 + header.biSizeImage;
    HGLOBAL dib = GlobalAlloc(GHND, size);
    GlobalLockGuard lock(dib);
    auto *bytes = lock.as<unsigned char>();
    std::memcpy(bytes, &header, sizeof header);
    std::memset(bytes + sizeof header + 4, 255, 3);
    for (size_t i = sizeof header + 8; i < size; ++i)
        bytes[i] = BYTE(0xA5 ^ i);
    return dib;
}
