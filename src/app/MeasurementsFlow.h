#pragma once

namespace brenvik::app {

struct WindowParts;

// Tools "Measurements...": the field measurements as a table beside the
// prediction at their points, with "Import..." and "Delete". Accept stores
// the rows left as one undo step; Cancel leaves the project as it was.
void EditMeasurements(WindowParts& w);

} // namespace brenvik::app
