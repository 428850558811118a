#include "wordfilt/component/ids.h"

namespace wordfilt {

const CLSID kFilterClsid = {
    0xF07F3920, 0x7B8C, 0x11CF, {0x9B, 0xE8, 0x00, 0xAA, 0x00, 0x4B, 0x99, 0x86}};
const CLSID kPersistentHandlerClsid = {
    0x4E6A1D5B, 0x0C3F, 0x4A8E, {0x9D, 0x71, 0x2B, 0x6C, 0x5A, 0x10, 0xD4, 0x3E}};
const char kFilterClsidString[] = "{F07F3920-7B8C-11CF-9BE8-00AA004B9986}";
const char kPersistentHandlerClsidString[] = "{4E6A1D5B-0C3F-4A8E-9D71-2B6C5A10D43E}";
const char kIFilterIidString[] = "{89BCB740-6119-101A-BCB7-00DD010655AF}";
const GUID kSummaryInformationFormat = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

}  // namespace wordfilt
