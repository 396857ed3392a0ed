#pragma once

#include "model/Project.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brenvik {

// Every attribute of an antenna that a user sees, types or exchanges with
// another file. The first eight are the ones the attribute table and the
// properties panel edit in place.
enum class AntennaField {
    XMetres,
    YMetres,
    Height,
    Type,
    Power,
    Direction,
    Tilt,
    FrequencyMHz,
    Longitude,
    Latitude,
    Label,
    Pattern,
    HBeamwidth,
    VBeamwidth,
    ElectricalTilt,
    Site,
    Operator,
    Installation,
    ArrayRows,
    ArrayColumns,
    ElementGain,
    ElementHWidth,
    ElementVWidth,
    ElementFrontBack,
    ElementSideLobe,
    ArrayHSpacing,
    ArrayVSpacing,
    SteerAzMin,
    SteerAzMax,
    SteerTiltMin,
    SteerTiltMax,
    PowerFactor,
    PowerFactorSource,
};

// What a field holds: where the antenna stands (worked out from its node and
// exact position), a number, the antenna's kind, or a free text.
enum class FieldKind { Position, Number, Kind, Text };

// Which lines of the project file's extension block hold the field, one per
// antenna: the carrier (always written), the beam (after the patterns), or
// the names (after the buildings). Each but the carrier only when it is not
// the default, so a project without it writes as before.
enum class BlockPart { None, Carrier, Beam, Names };

// Which columns of the site inventory the field's is among: the ones every
// inventory has, the beam's (all written when any antenna has a beam other
// than the default), its own, written only when some antenna has a value, or
// the adaptive array's (all written when some antenna is adaptive).
enum class InventoryPart { None, Always, Beam, Own, Adaptive };

// Whether the field enters the stamp of a result's density: the carrier
// counts only under the far-field model, the names never.
enum class StampUse { No, Always, FarFieldOnly };

// One attribute of an antenna, as every reader and writer of it sees it.
struct AntennaFieldRow {
    AntennaField id;
    FieldKind kind;
    const char* label;    // the field in a refusal, "Height (m)"
    const char* header;   // the attribute table's column caption; "" when not shown
    int tableColumn;      // its column in the attribute table; -1 when not shown
    double min, max;      // the accepted range, both bounds included...
    bool aboveMin;        // ...unless `min` itself is refused (a width of 0)
    bool editable;        // typed into the attribute table and the properties panel
    const char* blockKey; // per-antenna key of the extension block ("frequency."); "" none
    BlockPart block;
    const char* column; // the site inventory's column; "" none
    InventoryPart inventory;
    bool required; // an inventory row must give it
    StampUse stamp;
    double Antenna::*number = nullptr;    // a number's home in the record
    std::string Antenna::*text = nullptr; // a text's home in the record
    std::size_t maxLength = 0;            // the longest text, bytes
};

// The rows in the site inventory's column order.
std::span<const AntennaFieldRow> AntennaFieldTable();
const AntennaFieldRow& FieldRow(AntennaField f);
// The row of an inventory column or an extension-block key prefix; none when
// no field has it.
const AntennaFieldRow* RowOfColumn(std::string_view column);
const AntennaFieldRow* RowOfBlockKey(std::string_view prefix);

// True when `v` is a number of the field's range.
bool FieldInRange(const AntennaFieldRow& r, double v);
// "0 to 10000", the range as the refusals name it.
std::string FieldRangeText(const AntennaFieldRow& r);
// "Frequency (MHz): between 0.1 and 300000".
std::string FieldRangeMessage(const AntennaFieldRow& r);
// Why a text cannot be the field's value ("holds a control character",
// "is longer than 200 characters"); none when it can. A line break would split
// the line of every file that holds the text.
std::optional<std::string> FieldTextFault(const AntennaFieldRow& r, std::string_view text);

// A field's value in the record: a number as stored; a text field's text.
double FieldNumber(const Antenna& a, const AntennaFieldRow& r);
const std::string& FieldText(const Antenna& a, const AntennaFieldRow& r);
// The value a new record has (Antenna{}).
double FieldDefault(const AntennaFieldRow& r);
bool FieldIsDefault(const Antenna& a, const AntennaFieldRow& r);
// Any of the placed antennas has a text in the field.
bool AnyAntennaHas(const Project& p, AntennaField f);

} // namespace brenvik
