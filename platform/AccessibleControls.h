#pragma once

namespace tolvan {

// What screen readers learn of the controls placed on the windows, beyond
// Qt's own: a two-state picture push button is a push button that can be
// pressed in and is (not a check box, as Qt names every checkable button);
// a hyperlink label is a link that can be followed; and a widget with the
// property "accessibleHidden" set is left out, for a picture drawn from
// several labels whose first carries the name of the whole.
// Installed once, before the first window is made; prepareApplication does.
void installAccessibleControls();

} // namespace tolvan
