// The quicklook page of a day: one self-contained HTML file (inline CSS and SVG, no script,
// no font or image from elsewhere) that a browser opens from disk. A header with the day,
// the channel, the number of scenes and of missing scenes and the products read; panels of
// the brightness temperatures of the bands, the window band's radiance, the hot and
// ambient blackbody temperatures and their difference, the responsivity's band means
// relative to the day's median, the imaginary part's band means (each over the day, the
// missing scenes marked on the time axis) and the day's sky spectrum (median with its
// 10th-90th percentile band). Laid out for screens from 1280 pixels wide.
#pragma once

#include <string>
#include <vector>

#include "sumlib/summary.h"

namespace vornsum {

// The identifiers of the page's panels, each the id of its <svg> element.
const std::vector<std::string>& quicklookPanels();

// The page.
std::string quicklookHtml(const DaySummary& day);

}  // namespace vornsum
