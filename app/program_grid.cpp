#include "app/program_grid.h"

#include "grid/xDBGrid.h"

void ConfigureProgramGrid(TxDBGrid* grid) {
    grid->EditingOption = true;
    grid->OptionsEx2.Editors.AllowPasteMultipleCells = true;
    grid->OptionsEx2.Appearance.DrawRowFocus = true;
    grid->OptionsEx2.Filters.FunnelBtn = true;
    grid->OptionsEx2.Filters.TextBar = true;
}
