// SPDX-License-Identifier: GPL-3.0-or-later
// Answers GNOME's remote-desktop consent dialog the way a person would, through the
// accessibility bus: ticks "Allow remote interaction" and presses Share. The test desktop runs
// it for the whole session, so every request of the tests is granted; it stops with a signal.
#include <atspi/atspi.h>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* dialogOwner = "xdg-desktop-portal-gnome";
constexpr guint pollMs = 200;
constexpr int depthLimit = 30;

struct Unref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using Accessible = std::unique_ptr<AtspiAccessible, Unref>;

bool hasState(AtspiAccessible* accessible, AtspiStateType state)
{
    std::unique_ptr<AtspiStateSet, Unref> states{atspi_accessible_get_state_set(accessible)};
    return states && atspi_state_set_contains(states.get(), state);
}

bool nameContains(AtspiAccessible* accessible, const char* text)
{
    gchar* name = atspi_accessible_get_name(accessible, nullptr);
    const bool found = name && std::strstr(name, text);
    g_free(name);
    return found;
}

void act(AtspiAccessible* accessible)
{
    std::unique_ptr<AtspiAction, Unref> action{atspi_accessible_get_action_iface(accessible)};
    if (action)
        atspi_action_do_action(action.get(), 0, nullptr);
}

// Ticks every unticked box below `node` and gathers the Share buttons, pressed once the boxes
// are ticked.
void answer(AtspiAccessible* node, int depth, std::vector<Accessible>& shareButtons)
{
    const AtspiRole role = atspi_accessible_get_role(node, nullptr);
    if (role == ATSPI_ROLE_CHECK_BOX && !hasState(node, ATSPI_STATE_CHECKED))
        act(node);
    if (role == ATSPI_ROLE_PUSH_BUTTON && nameContains(node, "Share"))
        shareButtons.emplace_back(static_cast<AtspiAccessible*>(g_object_ref(node)));
    const gint count = depth < depthLimit ? atspi_accessible_get_child_count(node, nullptr) : 0;
    for (gint i = 0; i < count; ++i) {
        Accessible child{atspi_accessible_get_child_at_index(node, i, nullptr)};
        if (child)
            answer(child.get(), depth + 1, shareButtons);
    }
}

gboolean poll(gpointer)
{
    Accessible desktop{atspi_get_desktop(0)};
    const gint count = desktop ? atspi_accessible_get_child_count(desktop.get(), nullptr) : 0;
    for (gint i = 0; i < count; ++i) {
        Accessible application{atspi_accessible_get_child_at_index(desktop.get(), i, nullptr)};
        if (!application || !nameContains(application.get(), dialogOwner))
            continue;
        std::vector<Accessible> shareButtons;
        answer(application.get(), 0, shareButtons);
        for (const Accessible& share : shareButtons)
            act(share.get());
    }
    return G_SOURCE_CONTINUE;
}

} // namespace

int main()
{
    if (atspi_init() > 1)
        return 1;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_timeout_add(pollMs, poll, nullptr);
    g_main_loop_run(loop);
    return 0;
}
