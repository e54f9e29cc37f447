// The list, table and image handlers of HTMLRTFConverter are not written
// yet: each is offered its tags by the walk and emits nothing, so lists come
// out as their paragraphs, tables as their cell texts and images not at all.
#include "html2rtf/html_to_rtf.hpp"

namespace skeinlet::detail {

void StartUnorderedList() {}
void StartOrderedList() {}
void EndUnorderedList() {}
void EndOrderedList() {}
void StartListItem() {}
void EndListItem() {}

void StartTable(const Text&, Pos) {}
void EndTable() {}
void StartRow(const Text&, Pos) {}
void EndRow() {}
void StartCell(const Text&, Pos) {}
void EndCell() {}

void InsertImage(const Text&, const Text&) {}

}  // namespace skeinlet::detail
