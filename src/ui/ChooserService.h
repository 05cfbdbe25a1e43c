#pragma once

#include <QColor>
#include <QFont>

#include <functional>
#include <optional>
#include <variant>

class QWidget;

// The font and colour choosers of the font and colour window. Tests install
// a responder that answers instead of a chooser.
class ChooserService
{
public:
    // What is shown first: a font or a colour. The answer is of the same kind,
    // or nothing when the member cancelled.
    using Choice = std::variant<QFont, QColor>;
    using Responder = std::function<std::optional<Choice>(const Choice& initial)>;

    // The font chooser without its effects section: strike-out and underline
    // stay as they were.
    static std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial);
    static std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial);

    // Replaces the choosers; an empty responder restores them.
    static void SetResponder(Responder responder);
};
