// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SymbolIcon.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace korvane {

SymbolIcon::SymbolIcon(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    setImplicitSize(16, 16);
}

void SymbolIcon::setName(const QString& name)
{
    if (name == m_name)
        return;
    m_name = name;
    update();
    Q_EMIT nameChanged();
}

void SymbolIcon::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    Q_EMIT colorChanged();
}

bool SymbolIcon::isValid() const
{
    return !symbolSource(m_name).isEmpty();
}

QByteArray SymbolIcon::symbolSource(const QString& name)
{
    // Views are on the main thread only; the cache holds a few dozen small files.
    static QHash<QString, QByteArray> cache;
    if (name.isEmpty())
        return {};
    const auto found = cache.constFind(name);
    if (found != cache.cend())
        return *found;
    QFile file(u":/qt/qml/Korvane/Ui/icons/" % name % u".svg");
    const QByteArray source = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    cache.insert(name, source);
    return source;
}

void SymbolIcon::paint(QPainter* painter)
{
    QByteArray source = symbolSource(m_name);
    if (source.isEmpty())
        return;
    source.replace("currentColor", m_color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return;
    painter->setOpacity(m_color.alphaF());
    const QSizeF box = size();
    const QSizeF natural = renderer.defaultSize();
    QSizeF drawn = natural.scaled(box, Qt::KeepAspectRatio);
    const QRectF target((box.width() - drawn.width()) / 2, (box.height() - drawn.height()) / 2,
                        drawn.width(), drawn.height());
    renderer.render(painter, target);
}

} // namespace korvane
