#pragma once
// How a copy is made beyond the window's own controls: the page cleaned
// before it is placed, several originals or both faces of a card on one
// sheet, both sides of every sheet from the feeder, and how the job prints.
// The window keeps them (section "Copie" of its settings) and edits them in
// the "Copie" dialog; the command takes them as flags.
#include "Printer.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QRadioButton;

namespace platform {
class SettingsTable;
}

struct CopyOptions {
    bool straighten = false; // measure the skew and turn the page straight
    bool crop = false;       // keep only the document found on the glass
    bool whiten = false;     // bring the paper's tint to white
    int perSheet = 1;        // originals on one sheet: 1, 2 or 4
    bool identityCard = false; // front and back of a card on one sheet
    bool bothSides = false;    // both faces of every sheet from a duplex feeder
    bool twoSided = false;     // print on both sides where the printer can
    bool jpegColour = false;   // colour pages as JPEG: smaller, not exact
    bool collate = true;       // copies as 1 2 3, 1 2 3

    bool cleans() const { return straighten || crop || whiten; }
    // Originals that go on one sheet.
    int originalsPerSheet() const { return identityCard ? 2 : perSheet; }
    platform::PrintOptions printOptions(int copies) const { return {copies, collate, twoSided, jpegColour}; }

    // The rows of section "Copie" that keep `options`.
    static void addRows(platform::SettingsTable &table, CopyOptions &options);
};

// "Copie": the options above, shown over what they are; confirmed, they
// become what the window copies with.
class TCopyOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCopyOptionsDialog(QWidget *parent = nullptr);

    // Shows `options`; true, with `options` changed, when the user confirms.
    bool Execute(CopyOptions &options);

private:
    void show(const CopyOptions &options);
    CopyOptions chosen() const;

    QCheckBox *straighten_, *crop_, *whiten_;
    QRadioButton *one_, *two_, *four_, *card_;
    QCheckBox *bothSides_, *twoSided_, *jpeg_, *collate_;
};
