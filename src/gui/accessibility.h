// What Qt does not tell assistive technology on its own.
#pragma once

class QLabel;

namespace accessibility {

// Lets the keyboard and screen readers reach and open the link of a label that
// opens it in the browser: Tab stops at the link and Enter opens it; a screen
// reader finds a link with a Press action where Qt shows plain text that
// nothing can activate.
void make_link_reachable(QLabel *label);

} // namespace accessibility
