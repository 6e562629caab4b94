#include "quarlohost/ResultWriter.h"

namespace quarlolink::host {

bool IsNumericType(int32_t t) {
  switch (t) {
    case 2:    // smallint
    case 3:    // integer
    case 4:    // single
    case 5:    // double
    case 6:    // currency
    case 14:   // decimal
    case 16:   // tinyint
    case 17:   // unsigned tinyint
    case 18:   // unsigned smallint
    case 19:   // unsigned int
    case 20:   // bigint
    case 21:   // unsigned bigint
    case 131:  // numeric
    case 139:  // varnumeric
      return true;
    default:
      return false;
  }
}

}  // namespace quarlolink::host
