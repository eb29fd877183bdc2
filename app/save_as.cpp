#include "app/save_as.h"

#include "files/folder_of_path.h"
#include "files/safe_save.h"
#include "platform/dialogs.h"
#include "platform/program_paths.h"
#include "state/app_state.h"
#include "text/clock_text.h"
#include "window/main_controls.h"

namespace {

const std::wstring MessageTitle = L"Tockmeter";
// Colons are not allowed in file names, hence the hyphen between hour and minute.
const std::wstring ProposedNameMask = L"Tockmeter %yyyy-%mm-%dd %hh-%ii";

std::wstring ReasonFor(SaveStep step) {
    switch (step) {
    case SaveStep::Create:
        return L"No file can be made in that folder.";
    case SaveStep::Write:
        return L"Writing the file failed.";
    case SaveStep::Replace:
        return L"The file of that name could not be replaced; it is as it was.";
    case SaveStep::Done:
        break;
    }
    return std::wstring();
}

} // namespace

std::wstring AskWhereToSave(const SaveAsKind& kind) {
    SaveFileQuestion question;
    question.title = kind.title;
    question.folder = App.SaveFolder.empty() ? FirstSaveFolderPath() : App.SaveFolder;
    question.proposedName =
        ClockText(ProposedNameMask, CurrentDateTime()) + L"." + std::wstring(kind.extension);
    question.typeName = kind.typeName;
    question.extension = kind.extension;
    const std::wstring path = AskSaveFilePath(question);
    if (!path.empty())
        App.SaveFolder = FolderOfPath(path);
    return path;
}

bool SaveBytesAt(const SaveAsKind& kind, const std::wstring& path, const std::string& bytes) {
    const SaveOutcome outcome = SaveFileSafely(path, bytes);
    if (outcome.failedAt == SaveStep::Done)
        return true;
    std::wstring why = ReasonFor(outcome.failedAt);
    if (!outcome.why.empty())
        why += L" " + outcome.why;
    ShowMessage(MessageTitle, std::wstring(kind.notSaved) + L"\n" + path + L"\n\n" + why + L"\n\n" +
                                  kind.stillThere);
    return false;
}
