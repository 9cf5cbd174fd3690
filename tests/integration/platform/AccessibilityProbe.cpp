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
        report(QStringLiteral("label clicked"));
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
    const qsizetype option = arguments.indexOf(QStringLiteral("--buttons"));
    if (option >= 0 && option + 1 < arguments.size())
        extraButtons = arguments.at(option + 1).toInt();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Korvane Qt Probe"));
    auto* layout = new QVBoxLayout(&window);
    QObject::connect(&application, &QApplication::focusChanged, [](QWidget*, QWidget* now) {
        if (now)
            report(QStringLiteral("focused ") + now->objectName());
    });

    auto* save = new QPushButton(QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("save"));
    QObject::connect(save, &QPushButton::clicked, [] { report(QStringLiteral("clicked Save")); });
    layout->addWidget(save);

    auto* field = new QLineEdit;
    field->setObjectName(QStringLiteral("fileName"));
    field->setPlaceholderText(QStringLiteral("File name"));
    QObject::connect(field, &QLineEdit::textChanged,
                     [](const QString& text) { report(QStringLiteral("text ") + text); });
    layout->addWidget(field);

    auto* overwrite = new QCheckBox(QStringLiteral("Overwrite"));
    QObject::connect(overwrite, &QCheckBox::toggled, [](bool on) {
        report(QStringLiteral("toggled Overwrite ") +
               (on ? QStringLiteral("on") : QStringLiteral("off")));
    });
    layout->addWidget(overwrite);

    auto* terms = new ClickableLabel(QStringLiteral("Terms and conditions"));
    terms->setMinimumHeight(30);
    layout->addWidget(terms);

    // In a grid, so that all of them fit on the screen and count as showing.
    auto* extras = new QGridLayout;
    for (int i = 0; i < extraButtons; ++i)
        extras->addWidget(new QPushButton(QStringLiteral("Extra %1").arg(i)), i / 15, i % 15);
    layout->addLayout(extras);

    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+T")), &window);
    QObject::connect(shortcut, &QShortcut::activated,
                     [] { report(QStringLiteral("shortcut ctrl+shift+t")); });

    window.show();
    window.activateWindow();
    report(QStringLiteral("ready"));
    return application.exec();
}
