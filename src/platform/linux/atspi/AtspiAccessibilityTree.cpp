// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/atspi/AtspiAccessibilityTree.h"

#include "platform/linux/atspi/AtspiSupport.h"

#include <QHash>
#include <QLoggingCategory>
#include <QSet>

namespace korvane {

namespace {

using namespace atspi;

// Text contents read as "AXValue" are cut here: a document is not an element's value.
constexpr int valueLimit = 4096;
// An element with more children than this (a huge table) is read only this far.
constexpr int childLimit = 5000;
// The search for the focused element gives up after this many elements.
constexpr int focusSearchLimit = 1500;

// One AT-SPI object and what has been read from it during the walk that holds it.
class AtspiNode final : public AccessibleNode, public std::enable_shared_from_this<AtspiNode> {
public:
    explicit AtspiNode(AtspiAccessible* adopted)
        : accessible(adopted)
    {
        const AtspiObject* object = ATSPI_OBJECT(adopted);
        if (object->app && object->app->bus_name)
            busName = QByteArray(object->app->bus_name);
        if (object->path)
            path = QByteArray(object->path);
    }
    ~AtspiNode() override { g_object_unref(accessible); }
    Q_DISABLE_COPY_MOVE(AtspiNode)

    std::size_t identityHash() const override { return qHash(busName) ^ qHash(path); }
    bool sameElement(const AccessibleNode& other) const override
    {
        const auto* node = dynamic_cast<const AtspiNode*>(&other);
        return node && node->busName == busName && node->path == path;
    }

    AtspiAccessible* accessible;
    QByteArray busName;
    QByteArray path;
    // The application's process, and the top-level window the element is in (null for the
    // application and for a window itself).
    qint64 processId = 0;
    std::shared_ptr<const AtspiNode> window{};

    // Read once per walk: a walk is short, and each read is a round trip.
    mutable std::optional<AtspiRole> role{};
    mutable std::optional<quint64> states{};
    mutable std::optional<QHash<QString, QString>> attributes{};
    mutable std::optional<QList<QString>> actions{};
    mutable std::optional<std::optional<AtspiRect>> extents{};
};

AccessibleRole roleOf(AtspiRole role, quint64 states)
{
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
        return AccessibleRole::button;
    case ATSPI_ROLE_PUSH_BUTTON_MENU:
        return AccessibleRole::menuButton;
    case ATSPI_ROLE_CHECK_BOX:
        return AccessibleRole::checkBox;
    // Tabs are pressable choices among their siblings.
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_PAGE_TAB:
        return AccessibleRole::radioButton;
    // A combo box that cannot be typed into only pops up its list.
    case ATSPI_ROLE_COMBO_BOX:
        return hasState(states, ATSPI_STATE_EDITABLE) ? AccessibleRole::comboBox
                                                      : AccessibleRole::popUpButton;
    case ATSPI_ROLE_AUTOCOMPLETE:
        return AccessibleRole::comboBox;
    case ATSPI_ROLE_PASSWORD_TEXT:
        return AccessibleRole::secureTextField;
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_EDITBAR:
        return hasState(states, ATSPI_STATE_MULTI_LINE) ? AccessibleRole::textArea
                                                        : AccessibleRole::textField;
    case ATSPI_ROLE_TERMINAL:
        return AccessibleRole::textArea;
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
        return AccessibleRole::menuItem;
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
        return AccessibleRole::menu;
    case ATSPI_ROLE_MENU_BAR:
        return AccessibleRole::menuBar;
    case ATSPI_ROLE_PAGE_TAB_LIST:
        return AccessibleRole::tabGroup;
    case ATSPI_ROLE_LINK:
        return AccessibleRole::link;
    // Headings and paragraphs carry their text themselves here, where other desktops give
    // them static text children.
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_PARAGRAPH:
        return AccessibleRole::staticText;
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TREE_ITEM:
        return AccessibleRole::row;
    case ATSPI_ROLE_TABLE_CELL:
    case ATSPI_ROLE_COLUMN_HEADER:
    case ATSPI_ROLE_ROW_HEADER:
    case ATSPI_ROLE_TABLE_COLUMN_HEADER:
    case ATSPI_ROLE_TABLE_ROW_HEADER:
        return AccessibleRole::cell;
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_GROUPING:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_HEADER:
    case ATSPI_ROLE_FOOTER:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_STATUS_BAR:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_DOCUMENT_SPREADSHEET:
    case ATSPI_ROLE_DOCUMENT_PRESENTATION:
    case ATSPI_ROLE_DOCUMENT_EMAIL:
        return AccessibleRole::group;
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_WEB:
        return AccessibleRole::webArea;
    case ATSPI_ROLE_APPLICATION:
        return AccessibleRole::application;
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
        return AccessibleRole::window;
    case ATSPI_ROLE_TOOL_BAR:
        return AccessibleRole::toolbar;
    case ATSPI_ROLE_SCROLL_PANE:
        return AccessibleRole::scrollArea;
    case ATSPI_ROLE_SCROLL_BAR:
        return AccessibleRole::scrollBar;
    case ATSPI_ROLE_SLIDER:
        return AccessibleRole::slider;
    case ATSPI_ROLE_SPIN_BUTTON:
        return AccessibleRole::incrementor;
    case ATSPI_ROLE_SPLIT_PANE:
        return AccessibleRole::splitGroup;
    case ATSPI_ROLE_PROGRESS_BAR:
        return AccessibleRole::progressIndicator;
    case ATSPI_ROLE_LEVEL_BAR:
        return AccessibleRole::levelIndicator;
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
        return AccessibleRole::image;
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return AccessibleRole::list;
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
        return AccessibleRole::table;
    case ATSPI_ROLE_TREE:
        return AccessibleRole::outline;
    case ATSPI_ROLE_TOOL_TIP:
        return AccessibleRole::helpTag;
    default:
        return AccessibleRole::unknown;
    }
}

bool isTextInputRole(AccessibleRole role)
{
    return role == AccessibleRole::textField || role == AccessibleRole::textArea ||
           role == AccessibleRole::comboBox || role == AccessibleRole::searchField;
}

// Action names that mean "do what a click does" ("activate" in a text field means Enter).
bool meansPress(const QString& action, bool textInput)
{
    const QString name = action.toLower();
    if (name == u"activate")
        return !textInput;
    return name == u"click" || name == u"press" || name == u"jump" || name == u"toggle";
}

} // namespace

struct AtspiAccessibilityTree::Private {
    // Applications whose calls timed out during this walk: the rest of it skips them, so a
    // hung application costs one time-out, not one per element.
    QSet<QByteArray> unresponsive;
    // Where each window of this walk is on screen, by process and title, once asked.
    QHash<QPair<qint64, QString>, std::optional<QPointF>> windowOrigins;

    const AtspiNode* usable(const AccessibleElement& element) const
    {
        const auto* node = dynamic_cast<const AtspiNode*>(element.node());
        if (!node || !connection().ready || unresponsive.contains(node->busName))
            return nullptr;
        return node;
    }

    // True when the call succeeded; a time-out marks the application.
    bool check(const AtspiNode& node, const CallError& error)
    {
        if (!error.failed())
            return true;
        if (error.timedOut()) {
            qCWarning(lcAtspi) << "no answer from" << node.busName << "; skipping it";
            unresponsive.insert(node.busName);
        }
        return false;
    }

    AtspiRole role(const AtspiNode& node)
    {
        if (!node.role) {
            CallError error;
            const AtspiRole role = atspi_accessible_get_role(node.accessible, error.out());
            node.role = check(node, error) ? role : ATSPI_ROLE_INVALID;
        }
        return *node.role;
    }

    quint64 states(const AtspiNode& node)
    {
        if (!node.states)
            node.states = atspi::states(node.accessible);
        return *node.states;
    }

    const QHash<QString, QString>& attributes(const AtspiNode& node)
    {
        if (!node.attributes) {
            QHash<QString, QString> read;
            CallError error;
            GHashTable* table = atspi_accessible_get_attributes(node.accessible, error.out());
            if (check(node, error) && table) {
                GHashTableIter it;
                gpointer key = nullptr;
                gpointer value = nullptr;
                g_hash_table_iter_init(&it, table);
                while (g_hash_table_iter_next(&it, &key, &value)) {
                    read.insert(QString::fromUtf8(static_cast<const char*>(key)),
                                QString::fromUtf8(static_cast<const char*>(value)));
                }
            }
            if (table)
                g_hash_table_unref(table);
            node.attributes = read;
        }
        return *node.attributes;
    }

    std::optional<AccessibleRole> accessibleRole(const AtspiNode& node)
    {
        const AtspiRole atspiRole = role(node);
        if (atspiRole == ATSPI_ROLE_INVALID)
            return std::nullopt;
        const AccessibleRole mapped = roleOf(atspiRole, states(node));
        if (mapped != AccessibleRole::textField && mapped != AccessibleRole::textArea)
            return mapped;
        // Toolkits mark a search field only in its attributes ("search", a placeholder).
        const QHash<QString, QString>& read = attributes(node);
        for (auto it = read.cbegin(); it != read.cend(); ++it) {
            if (it.key().contains(u"search", Qt::CaseInsensitive) ||
                it.value().contains(u"search", Qt::CaseInsensitive))
                return AccessibleRole::searchField;
        }
        return mapped;
    }

    std::optional<QString> attribute(const AtspiNode& node, const QString& key)
    {
        const QHash<QString, QString>& read = attributes(node);
        const auto found = read.constFind(key);
        if (found == read.cend())
            return std::nullopt;
        return *found;
    }

    std::optional<QString> text(const AtspiNode& node, gchar* (*read)(AtspiAccessible*, GError**))
    {
        CallError error;
        gchar* value = read(node.accessible, error.out());
        if (!check(node, error)) {
            g_free(value);
            return std::nullopt;
        }
        return takeString(value);
    }

    std::optional<QString> value(const AtspiNode& node)
    {
        // A password field's contents never leave it.
        if (role(node) == ATSPI_ROLE_PASSWORD_TEXT)
            return std::nullopt;
        if (GObjectPtr<AtspiText> text{atspi_accessible_get_text_iface(node.accessible)}) {
            CallError error;
            const gint count = atspi_text_get_character_count(text.get(), error.out());
            if (!check(node, error))
                return std::nullopt;
            if (count <= 0)
                return QString();
            gchar* contents =
                atspi_text_get_text(text.get(), 0, std::min(count, valueLimit), error.out());
            if (!check(node, error)) {
                g_free(contents);
                return std::nullopt;
            }
            return takeString(contents);
        }
        if (GObjectPtr<AtspiValue> value{atspi_accessible_get_value_iface(node.accessible)}) {
            CallError error;
            const double current = atspi_value_get_current_value(value.get(), error.out());
            if (!check(node, error))
                return std::nullopt;
            return QString::number(current);
        }
        return std::nullopt;
    }

    // The action names as the toolkit gives them.
    const QList<QString>& rawActions(const AtspiNode& node)
    {
        if (!node.actions) {
            QList<QString> names;
            if (GObjectPtr<AtspiAction> action{
                    atspi_accessible_get_action_iface(node.accessible)}) {
                CallError error;
                const gint count = atspi_action_get_n_actions(action.get(), error.out());
                for (gint i = 0; check(node, error) && i < count && i < 64; ++i) {
                    gchar* name = atspi_action_get_action_name(action.get(), i, error.out());
                    names.append(check(node, error) ? takeString(name) : QString());
                    if (error.failed())
                        g_free(name);
                }
            }
            node.actions = names;
        }
        return *node.actions;
    }

    bool isTextInput(const AtspiNode& node)
    {
        const std::optional<AccessibleRole> mapped = accessibleRole(node);
        return mapped && isTextInputRole(*mapped);
    }

    std::optional<AtspiRect> extents(const AtspiNode& node)
    {
        if (!node.extents) {
            std::optional<AtspiRect> read;
            if (GObjectPtr<AtspiComponent> component{
                    atspi_accessible_get_component_iface(node.accessible)}) {
                CallError error;
                AtspiRect* rect = atspi_component_get_extents(component.get(),
                                                              ATSPI_COORD_TYPE_SCREEN, error.out());
                if (check(node, error) && rect)
                    read = *rect;
                g_free(rect);
            }
            node.extents = read;
        }
        return *node.extents;
    }

    std::optional<QPointF> windowOrigin(const AtspiNode& node,
                                        const AtspiAccessibilityTree::WindowOrigin& lookUp)
    {
        const AtspiNode& window = node.window ? *node.window : node;
        const QString title = text(window, &atspi_accessible_get_name).value_or(QString());
        const QPair<qint64, QString> key{node.processId, title};
        const auto known = windowOrigins.constFind(key);
        if (known != windowOrigins.cend())
            return *known;
        const std::optional<QPointF> origin = lookUp(node.processId, title);
        windowOrigins.insert(key, origin);
        return origin;
    }

    bool visibleAndShowing(const AtspiNode& node)
    {
        const quint64 bits = states(node);
        return hasState(bits, ATSPI_STATE_VISIBLE) && hasState(bits, ATSPI_STATE_SHOWING);
    }
};

AtspiAccessibilityTree::AtspiAccessibilityTree(WindowOrigin windowOrigin)
    : d(std::make_unique<Private>())
    , m_windowOrigin(std::move(windowOrigin))
{
}

AtspiAccessibilityTree::~AtspiAccessibilityTree() = default;

void AtspiAccessibilityTree::prepareProcess()
{
    qputenv("QT_NO_GLIB", "1");
}

bool AtspiAccessibilityTree::isTrusted(bool prompt)
{
    return atspi::accessibilityReady(prompt);
}

AccessibleElement AtspiAccessibilityTree::applicationElement(qint64 processId)
{
    d->unresponsive.clear();
    d->windowOrigins.clear();
    if (processId <= 0 || !connection().ready)
        return {};
    connection().pump();
    GObjectPtr<AtspiAccessible> desktop{atspi_get_desktop(0)};
    if (!desktop)
        return {};
    CallError error;
    const gint count = atspi_accessible_get_child_count(desktop.get(), error.out());
    if (error.failed())
        return {};
    for (gint i = 0; i < count; ++i) {
        GObjectPtr<AtspiAccessible> application{
            atspi_accessible_get_child_at_index(desktop.get(), i, error.out())};
        if (error.failed() || !application)
            continue;
        const guint owner = atspi_accessible_get_process_id(application.get(), error.out());
        if (!error.failed() && qint64(owner) == processId) {
            auto node = std::make_shared<AtspiNode>(application.release());
            node->processId = processId;
            return AccessibleElement(std::move(node));
        }
    }
    return {};
}

std::optional<AccessibleRole> AtspiAccessibilityTree::role(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    return node ? d->accessibleRole(*node) : std::nullopt;
}

std::optional<QString> AtspiAccessibilityTree::text(const AccessibleElement& element,
                                                    AccessibleText which)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return std::nullopt;
    switch (which) {
    case AccessibleText::title:
        return d->text(*node, &atspi_accessible_get_name);
    case AccessibleText::description:
        return d->text(*node, &atspi_accessible_get_description);
    case AccessibleText::value:
        return d->value(*node);
    case AccessibleText::help:
        return d->attribute(*node, QStringLiteral("tooltip"));
    case AccessibleText::placeholder:
        return d->attribute(*node, QStringLiteral("placeholder-text"));
    case AccessibleText::identifier:
        return d->text(*node, &atspi_accessible_get_accessible_id);
    }
    return std::nullopt;
}

bool AtspiAccessibilityTree::canPress(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return false;
    const bool textInput = d->isTextInput(*node);
    const QList<QString>& raw = d->rawActions(*node);
    return std::any_of(raw.cbegin(), raw.cend(),
                       [&](const QString& name) { return meansPress(name, textInput); });
}

QList<AccessibleElement> AtspiAccessibilityTree::children(const AccessibleElement& element)
{
    QList<AccessibleElement> found;
    const AtspiNode* node = d->usable(element);
    if (!node)
        return found;
    CallError error;
    const gint count = atspi_accessible_get_child_count(node->accessible, error.out());
    if (!d->check(*node, error))
        return found;
    // The children of an application are its windows; below them, each element keeps the
    // window it is in, whose place on screen its frame may need.
    const bool ofApplication = d->role(*node) == ATSPI_ROLE_APPLICATION;
    for (gint i = 0; i < std::min(count, childLimit); ++i) {
        AtspiAccessible* child =
            atspi_accessible_get_child_at_index(node->accessible, i, error.out());
        if (!d->check(*node, error)) {
            if (child)
                g_object_unref(child);
            if (d->unresponsive.contains(node->busName))
                break;
            continue;
        }
        if (!child)
            continue;
        auto childNode = std::make_shared<AtspiNode>(child);
        childNode->processId = node->processId;
        if (!ofApplication)
            childNode->window = node->window ? node->window : node->shared_from_this();
        if (d->visibleAndShowing(*childNode))
            found.append(AccessibleElement(std::move(childNode)));
    }
    return found;
}

std::optional<QRectF> AtspiAccessibilityTree::frame(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return std::nullopt;
    const std::optional<AtspiRect> rect = d->extents(*node);
    // Toolkits answer -1 everywhere, or the smallest integer, for a place they do not know.
    if (!rect || rect->width < 0 || rect->height < 0 || rect->x == G_MININT32 ||
        rect->y == G_MININT32 ||
        (rect->x == -1 && rect->y == -1 && rect->width == -1 && rect->height == -1))
        return std::nullopt;
    const QRectF inToolkit(rect->x, rect->y, rect->width, rect->height);
    if (!m_windowOrigin)
        return inToolkit;
    // Where toolkits only know places inside their own window, the window's place is added.
    const std::optional<QPointF> origin = d->windowOrigin(*node, m_windowOrigin);
    if (!origin)
        return std::nullopt;
    return inToolkit.translated(*origin);
}

bool AtspiAccessibilityTree::press(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return false;
    const QList<QString>& raw = d->rawActions(*node);
    const bool textInput = d->isTextInput(*node);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (!meansPress(raw[i], textInput))
            continue;
        GObjectPtr<AtspiAction> actions{atspi_accessible_get_action_iface(node->accessible)};
        if (!actions)
            return false;
        CallError error;
        const gboolean done = atspi_action_do_action(actions.get(), gint(i), error.out());
        return d->check(*node, error) && done;
    }
    return false;
}

bool AtspiAccessibilityTree::focus(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return false;
    GObjectPtr<AtspiComponent> component{atspi_accessible_get_component_iface(node->accessible)};
    if (!component)
        return false;
    CallError error;
    const gboolean focused = atspi_component_grab_focus(component.get(), error.out());
    return d->check(*node, error) && focused;
}

AccessibleElement AtspiAccessibilityTree::focusedElement(const AccessibleElement& root)
{
    if (!d->usable(root))
        return {};
    QList<AccessibleElement> queue{root};
    QSet<AccessibleElement> visited;
    for (qsizetype next = 0; next < queue.size() && next < focusSearchLimit; ++next) {
        const AccessibleElement element = queue.at(next);
        if (visited.contains(element))
            continue;
        visited.insert(element);
        const AtspiNode* node = d->usable(element);
        if (!node)
            continue;
        if (next > 0 && hasState(d->states(*node), ATSPI_STATE_FOCUSED))
            return element;
        queue.append(children(element));
    }
    return {};
}

bool AtspiAccessibilityTree::insertText(const AccessibleElement& element, const QString& text)
{
    const AtspiNode* node = d->usable(element);
    if (!node || !hasState(d->states(*node), ATSPI_STATE_EDITABLE))
        return false;
    GObjectPtr<AtspiEditableText> editable{
        atspi_accessible_get_editable_text_iface(node->accessible)};
    GObjectPtr<AtspiText> contents{atspi_accessible_get_text_iface(node->accessible)};
    if (!editable || !contents)
        return false;
    CallError error;
    const gint caret = atspi_text_get_caret_offset(contents.get(), error.out());
    if (!d->check(*node, error))
        return false;
    // Toolkits read the length in bytes or in characters; the byte count covers both.
    const QByteArray utf8 = text.toUtf8();
    const gboolean inserted = atspi_editable_text_insert_text(
        editable.get(), std::max(caret, 0), utf8.constData(), gint(utf8.size()), error.out());
    return d->check(*node, error) && inserted;
}

} // namespace korvane
