// The window's answers to the dialog seam: modal message boxes without a
// parent, and the platform's file dialogs over the main window.
#pragma once

#include "dialogs.h"

class QWidget;

namespace dialogs {

class MessageBoxes : public Answerer {
public:
    // fileDialogParent: the window the file dialogs belong to (not owned).
    explicit MessageBoxes(QWidget* fileDialogParent = nullptr) : m_parent(fileDialogParent) {}

    // An information box with OK and Cancel, Cancel the default.
    bool ask(const QString& title, const QString& text) override;
    void notify(Kind kind, const QString& title, const QString& text) override;
    QString chooseFile(Kind kind, const QString& caption, const QString& filter) override;

private:
    QWidget* m_parent;
};

} // namespace dialogs
