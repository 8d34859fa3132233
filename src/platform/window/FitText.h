#pragma once
// Forms keep the positions they were designed with, but a text in another
// language or another font may need more room than the design gave it.
// FitToTexts widens every label, check box, radio item, push button and
// group title below root to its whole text (word-wrapped labels grow in
// height), moves the neighbours to its right or below it out of the way,
// and lets the enclosing group boxes grow around what they hold. Nothing
// ever shrinks, so fitting twice changes nothing.

class QWidget;

void FitToTexts(QWidget* root);

// The width that shows all of w's own text (its caption, title or label
// text); 0 for a widget without one.
int TextNeed(const QWidget* w);
