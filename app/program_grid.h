// The one configuration both data grids of the program share (the data
// pane's and the data windows'): editing, multi-cell paste, the row focus
// frame, the funnel buttons and the text filter bar.
#pragma once

class TxDBGrid;

void ConfigureProgramGrid(TxDBGrid* grid);
