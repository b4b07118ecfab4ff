#pragma once

// Every text the window and the terminal show of a run is made in run/, one file for each subject, so
// that the core, the failure log and the JSON report know kinds, steps and reasons only by their codes:
#include "BackupTexts.h"     // emlog's backup file: why it cannot be read, where it stops
#include "ConnectionTexts.h" // the way to each blog: before a run, its refusals, how it travelled
#include "EmptyingTexts.h"   // the question before a run, and emptying WordPress first
#include "KindTexts.h"       // the kinds' names and the status line
#include "ReasonTexts.h"     // why a row or a step failed
#include "ReportTexts.h"     // the message and the report when a run has ended
