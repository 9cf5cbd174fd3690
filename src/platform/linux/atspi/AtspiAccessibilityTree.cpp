#include "platform/linux/atspi/AtspiAccessibilityTree.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QHash>
#include <QLoggingCategory>
#include <QSet>

#include <atspi/atspi.h>

Q_LOGGING_CATEGORY(lcAtspi, "korvane.atspi", QtWarningMsg)

namespace korvane {

namespace {

// A call that takes longer than this has hung; an application gets a little longer while it
// starts and builds its tree.
constexpr int callTimeoutMs = 1500;
constexpr int startupGraceMs = 3000;
constexpr int busTimeoutMs = 2000;
// Text contents read as "AXValue" are cut here: a document is not an element's value.
constexpr int valueLimit = 4096;
// An element with more children than this (a huge table) is read only this far.
constexpr int childLimit = 5000;

const QString a11yService = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

template <typename T>
struct GObjectDeleter {
    void operator()(T* object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

QString takeString(gchar* text)
{
    if (!text)
        return {};
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

// The GError of one call at a time; a failed call reads as absent.
class CallError final {
public:
    CallError() = default;
    ~CallError() { g_clear_error(&m_error); }
    Q_DISABLE_COPY_MOVE(CallError)

    GError** out()
    {
        g_clear_error(&m_error);
        return &m_error;
    }
    bool failed() const { return m_error != nullptr; }
    // libdbus and libatspi word a missed reply differently; both mention it.
    bool timedOut() const
    {
        if (!m_error || !m_error->message)
            return false;
        const QString message = QString::fromUtf8(m_error->message);
        return message.contains(u"timeout", Qt::CaseInsensitive) ||
               message.contains(u"timed out", Qt::CaseInsensitive) ||
               message.contains(u"NoReply", Qt::CaseInsensitive) ||
               message.contains(u"did not receive a reply", Qt::CaseInsensitive);
    }

private:
    GError* m_error = nullptr;
};

// One AT-SPI object and what has been read from it during the walk that holds it.
class AtspiNode final : public AccessibleNode {
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

    // Read once per walk: a walk is short, and each read is a round trip.
    mutable std::optional<AtspiRole> role{};
    mutable std::optional<quint64> states{};
    mutable std::optional<QHash<QString, QString>> attributes{};
    mutable std::optional<QList<QString>> actions{};
    mutable std::optional<std::optional<AtspiRect>> extents{};
};

bool hasState(quint64 states, AtspiStateType state)
{
    return (states >> int(state)) & 1U;
}

QString roleName(AtspiRole role, quint64 states)
{
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
        return QStringLiteral("AXButton");
    case ATSPI_ROLE_PUSH_BUTTON_MENU:
        return QStringLiteral("AXMenuButton");
    case ATSPI_ROLE_CHECK_BOX:
        return QStringLiteral("AXCheckBox");
    // Tabs are pressable choices among their siblings.
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_PAGE_TAB:
        return QStringLiteral("AXRadioButton");
    // A combo box that cannot be typed into only pops up its list.
    case ATSPI_ROLE_COMBO_BOX:
        return hasState(states, ATSPI_STATE_EDITABLE) ? QStringLiteral("AXComboBox")
                                                      : QStringLiteral("AXPopUpButton");
    case ATSPI_ROLE_AUTOCOMPLETE:
        return QStringLiteral("AXComboBox");
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_PASSWORD_TEXT:
    case ATSPI_ROLE_EDITBAR:
        return hasState(states, ATSPI_STATE_MULTI_LINE) ? QStringLiteral("AXTextArea")
                                                        : QStringLiteral("AXTextField");
    case ATSPI_ROLE_TERMINAL:
        return QStringLiteral("AXTextArea");
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
        return QStringLiteral("AXMenuItem");
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
        return QStringLiteral("AXMenu");
    case ATSPI_ROLE_MENU_BAR:
        return QStringLiteral("AXMenuBar");
    case ATSPI_ROLE_PAGE_TAB_LIST:
        return QStringLiteral("AXTabGroup");
    case ATSPI_ROLE_LINK:
        return QStringLiteral("AXLink");
    // Headings and paragraphs carry their text themselves here, where other desktops give
    // them static text children.
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_PARAGRAPH:
        return QStringLiteral("AXStaticText");
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TREE_ITEM:
        return QStringLiteral("AXRow");
    case ATSPI_ROLE_TABLE_CELL:
    case ATSPI_ROLE_COLUMN_HEADER:
    case ATSPI_ROLE_ROW_HEADER:
    case ATSPI_ROLE_TABLE_COLUMN_HEADER:
    case ATSPI_ROLE_TABLE_ROW_HEADER:
        return QStringLiteral("AXCell");
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
        return QStringLiteral("AXGroup");
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_WEB:
        return QStringLiteral("AXWebArea");
    case ATSPI_ROLE_APPLICATION:
        return QStringLiteral("AXApplication");
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
        return QStringLiteral("AXWindow");
    case ATSPI_ROLE_TOOL_BAR:
        return QStringLiteral("AXToolbar");
    case ATSPI_ROLE_SCROLL_PANE:
        return QStringLiteral("AXScrollArea");
    case ATSPI_ROLE_SCROLL_BAR:
        return QStringLiteral("AXScrollBar");
    case ATSPI_ROLE_SLIDER:
        return QStringLiteral("AXSlider");
    case ATSPI_ROLE_SPIN_BUTTON:
        return QStringLiteral("AXIncrementor");
    case ATSPI_ROLE_SPLIT_PANE:
        return QStringLiteral("AXSplitGroup");
    case ATSPI_ROLE_PROGRESS_BAR:
        return QStringLiteral("AXProgressIndicator");
    case ATSPI_ROLE_LEVEL_BAR:
        return QStringLiteral("AXLevelIndicator");
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
        return QStringLiteral("AXImage");
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return QStringLiteral("AXList");
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
        return QStringLiteral("AXTable");
    case ATSPI_ROLE_TREE:
        return QStringLiteral("AXOutline");
    case ATSPI_ROLE_TOOL_TIP:
        return QStringLiteral("AXHelpTag");
    default:
        return QStringLiteral("AXUnknown");
    }
}

bool isTextInputRole(const QString& role)
{
    return role == u"AXTextField" || role == u"AXTextArea" || role == u"AXComboBox";
}

// Action names that mean "do what a click does" ("activate" in a text field means Enter).
bool meansPress(const QString& action, bool textInput)
{
    const QString name = action.toLower();
    if (name == u"activate")
        return !textInput;
    return name == u"click" || name == u"press" || name == u"jump" || name == u"toggle";
}

// The process-wide AT-SPI connection, made once on the automation thread. Its main-loop
// source goes to a private context so no other thread dispatches its messages; the walks
// pump that context themselves.
struct Connection {
    bool ready = false;
    GMainContext* context = nullptr;

    bool open()
    {
        if (ready)
            return true;
        atspi_init();
        if (!atspi_get_a11y_bus()) {
            qCWarning(lcAtspi) << "the accessibility bus could not be opened";
            return false;
        }
        context = g_main_context_new();
        atspi_set_main_context(context);
        atspi_set_timeout(callTimeoutMs, startupGraceMs);
        ready = true;
        return true;
    }

    // Delivers the events AT-SPI queued (applications added or gone, changed children).
    void pump() const
    {
        if (!ready)
            return;
        for (int i = 0; i < 10000 && g_main_context_iteration(context, FALSE); ++i) {
        }
    }
};

Connection& connection()
{
    static Connection instance;
    return instance;
}

std::optional<bool> readIsEnabled(QDBusConnection& bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(a11yService, a11yPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << statusInterface << QStringLiteral("IsEnabled");
    const QDBusMessage reply = bus.call(get, QDBus::Block, busTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

struct AtspiAccessibilityTree::Private {
    // Applications whose calls timed out during this walk: the rest of it skips them, so a
    // hung application costs one time-out, not one per element.
    QSet<QByteArray> unresponsive;

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
        if (!node.states) {
            quint64 bits = 0;
            if (AtspiStateSet* set = atspi_accessible_get_state_set(node.accessible)) {
                if (GArray* states = atspi_state_set_get_states(set)) {
                    for (guint i = 0; i < states->len; ++i) {
                        const int state = int(g_array_index(states, AtspiStateType, i));
                        if (state >= 0 && state < 64)
                            bits |= quint64(1) << state;
                    }
                    g_array_free(states, TRUE);
                }
                g_object_unref(set);
            }
            node.states = bits;
        }
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

    std::optional<QString> axRole(const AtspiNode& node)
    {
        const AtspiRole atspiRole = role(node);
        if (atspiRole == ATSPI_ROLE_INVALID)
            return std::nullopt;
        return roleName(atspiRole, states(node));
    }

    std::optional<QString> axSubrole(const AtspiNode& node)
    {
        const AtspiRole atspiRole = role(node);
        if (atspiRole == ATSPI_ROLE_PASSWORD_TEXT)
            return QStringLiteral("AXSecureTextField");
        const std::optional<QString> mapped = axRole(node);
        if (!mapped || !isTextInputRole(*mapped))
            return std::nullopt;
        const QHash<QString, QString>& read = attributes(node);
        for (auto it = read.cbegin(); it != read.cend(); ++it) {
            if (it.key().contains(u"search", Qt::CaseInsensitive) ||
                it.value().contains(u"search", Qt::CaseInsensitive))
                return QStringLiteral("AXSearchField");
        }
        return std::nullopt;
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
        const std::optional<QString> mapped = axRole(node);
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

    bool visibleAndShowing(const AtspiNode& node)
    {
        const quint64 bits = states(node);
        return hasState(bits, ATSPI_STATE_VISIBLE) && hasState(bits, ATSPI_STATE_SHOWING);
    }
};

AtspiAccessibilityTree::AtspiAccessibilityTree()
    : d(std::make_unique<Private>())
{
}

AtspiAccessibilityTree::~AtspiAccessibilityTree() = default;

bool AtspiAccessibilityTree::isTrusted(bool prompt)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage address =
        bus.call(QDBusMessage::createMethodCall(a11yService, a11yPath, a11yService,
                                                QStringLiteral("GetAddress")),
                 QDBus::Block, busTimeoutMs);
    if (address.type() != QDBusMessage::ReplyMessage)
        return false;
    std::optional<bool> enabled = readIsEnabled(bus);
    if (enabled == false && prompt) {
        // Switching accessibility on is this desktop's way of granting access: toolkits then
        // start exposing their trees.
        QDBusMessage set = QDBusMessage::createMethodCall(
            a11yService, a11yPath, propertiesInterface, QStringLiteral("Set"));
        set << statusInterface << QStringLiteral("IsEnabled")
            << QVariant::fromValue(QDBusVariant(true));
        bus.call(set, QDBus::Block, busTimeoutMs);
        enabled = readIsEnabled(bus);
    }
    if (enabled != true)
        return false;
    const bool open = connection().open();
    connection().pump();
    return open;
}

AccessibleElement AtspiAccessibilityTree::applicationElement(qint64 processId)
{
    d->unresponsive.clear();
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
        if (!error.failed() && qint64(owner) == processId)
            return AccessibleElement(std::make_shared<AtspiNode>(application.release()));
    }
    return {};
}

std::optional<QString> AtspiAccessibilityTree::stringAttribute(const AccessibleElement& element,
                                                               QStringView attribute)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return std::nullopt;
    if (attribute == ax::role)
        return d->axRole(*node);
    if (attribute == ax::subrole)
        return d->axSubrole(*node);
    if (attribute == ax::title)
        return d->text(*node, &atspi_accessible_get_name);
    if (attribute == ax::description)
        return d->text(*node, &atspi_accessible_get_description);
    if (attribute == ax::value)
        return d->value(*node);
    if (attribute == ax::help)
        return d->attribute(*node, QStringLiteral("tooltip"));
    if (attribute == ax::placeholderValue)
        return d->attribute(*node, QStringLiteral("placeholder-text"));
    if (attribute == ax::identifier)
        return d->text(*node, &atspi_accessible_get_accessible_id);
    return std::nullopt;
}

QStringList AtspiAccessibilityTree::actionNames(const AccessibleElement& element)
{
    QStringList names;
    const AtspiNode* node = d->usable(element);
    if (!node)
        return names;
    const QList<QString>& raw = d->rawActions(*node);
    if (raw.isEmpty())
        return names;
    const bool textInput = d->isTextInput(*node);
    for (const QString& name : raw) {
        const QString mapped = meansPress(name, textInput) ? ax::press.toString() : name;
        if (!mapped.isEmpty() && !names.contains(mapped))
            names.append(mapped);
    }
    return names;
}

QList<AccessibleElement> AtspiAccessibilityTree::children(const AccessibleElement& element,
                                                          QStringView attribute)
{
    QList<AccessibleElement> found;
    const AtspiNode* node = d->usable(element);
    // AT-SPI has one list of children; the other child attributes would only repeat it.
    if (!node || attribute != ax::children)
        return found;
    CallError error;
    const gint count = atspi_accessible_get_child_count(node->accessible, error.out());
    if (!d->check(*node, error))
        return found;
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
        if (d->visibleAndShowing(*childNode))
            found.append(AccessibleElement(std::move(childNode)));
    }
    return found;
}

std::optional<QPointF> AtspiAccessibilityTree::position(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return std::nullopt;
    const std::optional<AtspiRect> rect = d->extents(*node);
    // Toolkits answer -1 everywhere for a place they do not know.
    if (!rect || (rect->x == -1 && rect->y == -1 && rect->width == -1 && rect->height == -1))
        return std::nullopt;
    return QPointF(rect->x, rect->y);
}

std::optional<QSizeF> AtspiAccessibilityTree::size(const AccessibleElement& element)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return std::nullopt;
    const std::optional<AtspiRect> rect = d->extents(*node);
    if (!rect || rect->width < 0 || rect->height < 0)
        return std::nullopt;
    return QSizeF(rect->width, rect->height);
}

bool AtspiAccessibilityTree::performAction(const AccessibleElement& element, QStringView action)
{
    const AtspiNode* node = d->usable(element);
    if (!node)
        return false;
    const QList<QString>& raw = d->rawActions(*node);
    const bool textInput = d->isTextInput(*node);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const bool matches = action == ax::press ? meansPress(raw[i], textInput) : raw[i] == action;
        if (!matches)
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

bool AtspiAccessibilityTree::setBooleanAttribute(const AccessibleElement& element,
                                                 QStringView attribute, bool value)
{
    const AtspiNode* node = d->usable(element);
    // Focus can be given, not taken away.
    if (!node || attribute != ax::focused || !value)
        return false;
    GObjectPtr<AtspiComponent> component{atspi_accessible_get_component_iface(node->accessible)};
    if (!component)
        return false;
    CallError error;
    const gboolean focused = atspi_component_grab_focus(component.get(), error.out());
    return d->check(*node, error) && focused;
}

} // namespace korvane
