// The file commands on one document as the workbench runs them: prompt for
// a path where needed, then call the document's own save; failures are
// shown by the error sink and leave the previous file as it was.
#pragma once

class QWidget;

namespace voxmill {

class CDocument;

// Saves to the document's path, or asks for one first.
bool DoSave(QWidget* parent, CDocument& doc);
// Asks for a path (the template's file type) and saves there.
bool DoSaveAs(QWidget* parent, CDocument& doc);
// For a modified document: "Save changes to ...?" Yes saves, No goes on,
// Cancel (offered when allowCancel) stops. True when the caller may go on.
bool SaveModified(QWidget* parent, CDocument& doc, bool allowCancel = true);

}  // namespace voxmill
