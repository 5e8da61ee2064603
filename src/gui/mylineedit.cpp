#include "mylineedit.h"

MyLineEdit::MyLineEdit(QWidget *parent) : QLineEdit(parent) {}

MyLineEdit::~MyLineEdit() = default;

// QLineEdit's own handler is skipped on purpose, so a press leaves the text
// cursor where it was; focus is still given by the toolkit before this runs.
void MyLineEdit::mousePressEvent(QMouseEvent *) { emit cliked(); }
