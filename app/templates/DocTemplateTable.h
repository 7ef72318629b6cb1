// The table of document templates, in creation order. Each row binds a
// resource number (menu, icon and document string of that number), the
// seven-field document string and whether File, New and File, Open offer
// the kind. Registered rows appear in the order the menus list them.
// Adding a document kind is one row here (and, in the workbench, one row of
// the frame table).
#pragma once

#include <memory>
#include <vector>

#include "app/DocTemplate.h"

namespace voxmill {

struct DocTemplateRow {
    unsigned resourceId;
    const char* docString;
    bool registered;
    CDocument* (*create)();  // null: the template only shows existing documents
};

const std::vector<DocTemplateRow>& DocTemplateTable();

// One template per row, in table order.
std::vector<std::unique_ptr<CDocTemplate>> CreateDocTemplates();

}  // namespace voxmill
