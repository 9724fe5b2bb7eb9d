#pragma once

#include <QString>

#include <cstdio>

class Prompter;

// `check FILE`: tells whether FILE is an inventory file and what is wrong with it and its
// production index, changing nothing (a repair is only reported: `reindex` makes it).
// Returns 0 for a sound inventory file, 1 for a file that is not one (the program's message
// goes through the prompter), 3 for an inventory file with faults (listed on `out`).
int BatchCheck(const QString &file, Prompter &prompter, std::FILE *out);

// `reindex FILE`: repairs what `check` reports and rebuilds the production index; a missing
// index is made anew with the sort index on `sortExpression`.
int BatchReindex(const QString &file, const QString &sortExpression, std::FILE *out);
