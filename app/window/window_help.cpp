// "Hilfe": the "?" button left of "Info" and Umschalt+F1 open the guide in a window of its own;
// F1 keeps showing "Info".
#include "help_window.h"
#include "main_window.h"

#include <QKeySequence>
#include <QShortcut>
#include <QToolButton>

namespace pirolex {

namespace {

constexpr int kHelpButtonX = 762;  // left of "Info" (785)

}  // namespace

void TPirolex::BuildHelp() {
    ui_.HelpButton = AddToolButton(kHelpButtonX, 6, QStringLiteral("Hilfe (Umschalt+F1)"));
    ui_.HelpButton->setIcon(QIcon());
    ui_.HelpButton->setText(QStringLiteral("?"));
    ui_.HelpButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(ui_.HelpButton, &QToolButton::clicked, this, [this] { HelpButtonClick(); });
    auto* key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
    connect(key, &QShortcut::activated, this, [this] { HelpButtonClick(); });
}

void TPirolex::HelpButtonClick() {
    Guard([this] {
        if (!help_) help_ = new HelpWindow(this);
        help_->show();
        help_->raise();
        help_->activateWindow();
    });
}

}  // namespace pirolex
