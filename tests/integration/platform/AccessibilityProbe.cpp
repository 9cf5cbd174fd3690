// SPDX-License-Identifier: GPL-3.0-or-later
// A small real Qt window for the desktop contract tests, the twin of the GTK probe: a button,
// a field with a placeholder, a check box, a label that reacts only to the mouse and a
// Ctrl+Shift+T shortcut. It reports on standard output, one line per event, what happened
// to it.
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

void report(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Only a real click reaches it: a label offers no action to press.
class ClickableLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        report(u"label clicked"_qs);
        QLabel::mousePressEvent(event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // "--buttons N" adds N more buttons, for a larger tree.
    int extraButtons = 0;
    const QStringList arguments = application.arguments();
    const qsizetype option = arguments.indexOf(u"--buttons"_qs);
    if (option >= 0 && option + 1 < arguments.size())
        extraButtons = arguments.at(option + 1).toInt();

    QWidget window;
    window.setWindowTitle(u"Korvane Qt Probe"_qs);
    auto* layout = new QVBoxLayout(&window);
    QObject::connect(&application, &QApplication::focusChanged, [](QWidget*, QWidget* now) {
        if (now)
            report(u"focused "_qs + now->objectName());
    });

    auto* save = new QPushButton(u"Save"_qs);
    save->setObjectName(u"save"_qs);
    QObject::connect(save, &QPushButton::clicked, [] { report(u"clicked Save"_qs); });
    layout->addWidget(save);

    auto* field = new QLineEdit;
    field->setObjectName(u"fileName"_qs);
    field->setPlaceholderText(u"File name"_qs);
    QObject::connect(field, &QLineEdit::textChanged,
                     [](const QString& text) { report(u"text "_qs + text); });
    layout->addWidget(field);

    auto* overwrite = new QCheckBox(u"Overwrite"_qs);
    QObject::connect(overwrite, &QCheckBox::toggled, [](bool on) {
        report(u"toggled Overwrite "_qs + (on ? u"on"_qs : u"off"_qs));
    });
    layout->addWidget(overwrite);

    auto* terms = new ClickableLabel(u"Terms and conditions"_qs);
    terms->setMinimumHeight(30);
    layout->addWidget(terms);

    // In a grid, so that all of them fit on the screen and count as showing.
    auto* extras = new QGridLayout;
    for (int i = 0; i < extraButtons; ++i)
        extras->addWidget(new QPushButton(u"Extra %1"_qs.arg(i)), i / 15, i % 15);
    layout->addLayout(extras);

    auto* shortcut = new QShortcut(QKeySequence(u"Ctrl+Shift+T"_qs), &window);
    QObject::connect(shortcut, &QShortcut::activated, [] { report(u"shortcut ctrl+shift+t"_qs); });

    window.show();
    window.activateWindow();
    report(u"ready"_qs);
    return application.exec();
}
