#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/inputs/RunInputs.h"
#include "core/inputs/WordLists.h"
#include "core/runs/RunController.h"
#include "core/runs/RunExport.h"
#include "core/runs/StoredRun.h"

#include <QString>
#include <string>

// The deep-mining window's words for what the run layer reports.
namespace orbisel::deepmining {

QString utf8(const std::string &text);

QString storeErrorText(const core::StoreError &error);
// Why a results file could not be written, once its folder was found writable.
QString writeErrorText(const core::WriteError &error);
QString exportErrorText(const core::ExportError &error);
// Why the export cannot start: the file's format or folder.
QString unwritableText(const core::WriteError &error);
QString stateText(core::RunState state);
QString durationText(double seconds);
QString progressText(const core::RunProgress &progress);
// Whether the input error is about the seeds (shown with a message box and the seed box focused).
bool isSeedsError(const core::RunInputError &error);
QString inputErrorText(const core::RunInputError &error);
// Why the user's dictionary.txt is not used.
QString userDictionaryErrorText(const core::WordListError &error);
// The status line when a run or resume ended; `words` are the rows shown.
QString runEndText(const core::RunEnd &end, long long runId, long long words);

} // namespace orbisel::deepmining
