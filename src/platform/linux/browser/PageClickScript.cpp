// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/PageClickScript.h"

namespace korvane {

namespace {

const QString clickedPrefix = u"clicked:"_qs;

// Everything after the target's declaration. An element scores only when one of its labels
// matches: the bonus for lying in the window is added to a match, never alone, so a page
// without the element answers "not-found" instead of clicking whatever is in view. A target
// that normalizes to nothing matches nothing for the same reason.
const QString scriptBody =
    uR"js(.toLowerCase().replace(/[^a-z0-9\s]/g, " ").replace(/\s+/g, " ").trim();
  const selectors = ["a", "button", "[role='button']", "[role='link']", "[role='tab']", "[aria-label]", "summary"].join(",");
  const normalize = (value) => String(value || "").toLowerCase().replace(/[^a-z0-9\s]/g, " ").replace(/\s+/g, " ").trim();
  const labelsOf = (element) => [
    element.innerText,
    element.textContent,
    element.getAttribute("aria-label"),
    element.getAttribute("title"),
    element.getAttribute("alt"),
    element.id
  ].map(normalize).filter((label) => label.length > 0);
  const isVisible = (element) => {
    const rect = element.getBoundingClientRect();
    const style = window.getComputedStyle(element);
    return rect.width > 0 && rect.height > 0 && style.visibility !== "hidden" && style.display !== "none";
  };
  const scoreOf = (element, labels) => {
    let score = 0;
    for (const label of labels) {
      if (label === target) {
        score = Math.max(score, 100);
      } else if (label.startsWith(target)) {
        score = Math.max(score, 80);
      } else if (label.includes(target)) {
        score = Math.max(score, 65);
      } else if (target.includes(label) && label.length > 2) {
        score = Math.max(score, 45);
      }
    }
    const top = element.getBoundingClientRect().top;
    if (score > 0 && top >= 0 && top <= window.innerHeight) {
      score += 10;
    }
    return score;
  };
  if (target.length === 0) {
    return "not-found:" + target;
  }
  const ranked = Array.from(document.querySelectorAll(selectors))
    .filter(isVisible)
    .map((element) => {
      const labels = labelsOf(element);
      return { element, labels, score: scoreOf(element, labels) };
    })
    .filter((candidate) => candidate.score > 0)
    .sort((a, b) => b.score - a.score);
  const best = ranked[0];
  if (!best) {
    return "not-found:" + target;
  }
  best.element.scrollIntoView({ block: "center", inline: "center" });
  best.element.click();
  return "clicked:" + (best.labels[0] || target);
})();)js"_qs;

} // namespace

QString PageClickScript::stringLiteral(QStringView text)
{
    static constexpr char16_t hex[] = u"0123456789abcdef";
    QString literal;
    literal.reserve(text.size() + 2);
    literal.append(u'"');
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        const bool plain = unit >= 0x20 && unit < 0x7f && unit != u'"' && unit != u'\\' &&
                           unit != u'<' && unit != u'>' && unit != u'&' && unit != u'\'';
        if (plain) {
            literal.append(character);
            continue;
        }
        literal.append(u"\\u");
        for (int shift = 12; shift >= 0; shift -= 4)
            literal.append(QChar(hex[(unit >> shift) & 0xf]));
    }
    literal.append(u'"');
    return literal;
}

QString PageClickScript::expression(QStringView name)
{
    return u"(() => {\n  const target = "_qs + stringLiteral(name) + scriptBody;
}

std::optional<QString> PageClickScript::clickedSummary(QStringView answer)
{
    const QStringView trimmed = answer.trimmed();
    if (!trimmed.startsWith(clickedPrefix))
        return std::nullopt;
    return u"Clicked "_qs + trimmed.sliced(clickedPrefix.size()) + u'.';
}

} // namespace korvane
