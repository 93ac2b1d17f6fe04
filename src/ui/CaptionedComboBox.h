#pragma once

namespace koordel {

// On Linux the toolkit gives a combo box's current text as its accessible
// name ("200"), ignoring the caption set for it, so a screen reader never
// says what the box is for. After this call every combo box is named by its
// accessible name (else its label), and its text is its value.
void nameComboBoxesByCaption();

}  // namespace koordel
