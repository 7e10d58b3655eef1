#pragma once
// The source manager behind DSM_Entry: opened by the application, it lists
// the SANE devices as data sources, remembers the one chosen last as the
// default, opens one source at a time and routes the source triplets to it.
#include "DataSource.h"
#include "SaneDevice.h"
#include "twain.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace dsm {

class SourceManager {
public:
    SourceManager();
    ~SourceManager();

    TW_UINT16 entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data);

private:
    TW_UINT16 fail(TW_UINT16 condition);
    TW_UINT16 parent(TW_UINT16 msg, pTW_IDENTITY origin, TW_MEMREF data);
    TW_UINT16 identity(TW_UINT16 msg, pTW_IDENTITY identity);
    TW_UINT16 openSource(pTW_IDENTITY identity);
    TW_UINT16 closeSource(pTW_IDENTITY identity);
    TW_UINT16 userSelect(pTW_IDENTITY identity);
    TW_UINT16 defaultSource(pTW_IDENTITY identity);
    TW_UINT16 enumerate(pTW_IDENTITY identity);
    void close();
    TW_IDENTITY identityOf(const SaneDeviceInfo &device) const;
    // Full device name for an identity's (possibly shortened) product name.
    std::string deviceNameFor(const TW_IDENTITY &identity);

    int state_ = 2;
    TW_UINT16 condition_ = TWCC_SUCCESS;
    TW_UINT32 nextId_ = 1;
    size_t enumeration_ = 0;
    QPointer<QWidget> parentWindow_;
    std::unique_ptr<SaneLibrary> sane_;
    std::unique_ptr<DataSource> source_;
};

} // namespace dsm
