#include "app/u_res.h"

namespace res {

QString openDialogFilter() {
    return FilterMdb + u'|' + FilterAccdb + u'|' + FilterAll;
}

}  // namespace res
