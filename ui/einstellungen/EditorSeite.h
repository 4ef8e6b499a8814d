#pragma once

class QWidget;

namespace quarn {

// Lays out a page that embeds an editor: the editor fills the page 6 pixels in from its edges, the
// link note below it across the same width.
void EditorSeiteAnordnen(QWidget& seite, QWidget& editor, QWidget& linkPanel);

} // namespace quarn
