// The program's improved standard controls: TxGroupBox, TxComboBoxEx,
// TxEditNum and TxMemoEx.
#pragma once

#include "kit/xImprovedComps_combobox.h"
#include "kit/xImprovedComps_editnum.h"
#include "kit/xImprovedComps_groupbox.h"
#include "kit/xImprovedComps_memo.h"
