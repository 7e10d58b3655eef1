#pragma once
// Drives the scanner settings window through the modal hook: the window is
// shown (so that it reads the scanner component), the test acts on it as a
// user would, and closes it with the result it returns.
#include "Modal.h"
#include "csTwainDialogForm_d40.h"

#include <QDialog>

#include <functional>

class SettingsWindowAnswer {
public:
    explicit SettingsWindowAnswer(std::function<int(TTwainDialogForm &)> act)
        : runner_([act = std::move(act)](QDialog &dialog) {
              auto &form = *qobject_cast<TTwainDialogForm *>(&dialog);
              form.show();
              const int result = act(form);
              // Unless the test closed it already.
              if (form.isVisible())
                  form.done(result);
              return form.result();
          })
    {
    }

private:
    platform::ScopedModalRunner runner_;
};
