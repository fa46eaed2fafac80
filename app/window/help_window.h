#pragma once
// "Hilfe": a short German guide to measuring with Pirolex, in a window of its own that stays
// open beside the main window while the user tries what it says. It only shows text; it reads
// nothing and changes nothing.
//
//   auto* help = new HelpWindow(mainWindow);   // a top-level window owned by the main one
//   help->show();

#include <QWidget>

class QTextBrowser;

namespace pirolex {

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* owner = nullptr);

    // The guide as shown, for the tests: headings are <h2>.
    const QTextBrowser* Text() const { return text_; }

private:
    QTextBrowser* text_ = nullptr;
};

}  // namespace pirolex
