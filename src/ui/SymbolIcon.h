// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace korvane {

// A bundled symbol (icons/<name>.svg) drawn in one colour: the SVGs paint with
// "currentColor", which is replaced before rendering.
// Not final: the QML engine derives from its element types.
class SymbolIcon : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool valid READ isValid NOTIFY nameChanged)

public:
    explicit SymbolIcon(QQuickItem* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SymbolIcon)

    QString name() const { return m_name; }
    void setName(const QString& name);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    bool isValid() const;

    void paint(QPainter* painter) override;

    // The SVG text of a bundled symbol, empty when there is none.
    static QByteArray symbolSource(const QString& name);

Q_SIGNALS:
    void nameChanged();
    void colorChanged();

private:
    QString m_name;
    QColor m_color{Qt::black};
};

} // namespace korvane
