#include "db/inventory_generator.h"

#include "db/engine/field_codec.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

struct CategoryPool {
    const char *name;
    std::array<const char *, 6> items;
    std::array<const char *, 4> brands;
    int minCost; // whole currency units
    int maxCost;
};

// About thirty household categories, each with items and makers that belong to it, so that
// sorting and grouping by category give groups of realistic, uneven sizes.
const std::array<CategoryPool, 30> kCategories{{
    {"Appliances",
     {"Refrigerator", "Washing Machine", "Dryer", "Dishwasher", "Microwave Oven", "Freezer"},
     {"Frostline", "Kelvar", "Homemaster", "Brightway"},
     150,
     2400},
    {"Audio",
     {"Stereo Receiver", "Turntable", "Speakers", "CD Player", "Headphones", "Cassette Deck"},
     {"Sonara", "Audiotek", "Klangwerk", "Redline"},
     40,
     1800},
    {"Video",
     {"Television", "VCR", "DVD Player", "Projector", "Camcorder", "Satellite Receiver"},
     {"Vistacom", "Telemark", "Orionic", "Pixelton"},
     80,
     3200},
    {"Computers",
     {"Desktop Computer", "Laptop", "Monitor", "Printer", "Scanner", "Modem"},
     {"Compudyne", "Bytecraft", "Novalink", "Quanta"},
     60,
     3500},
    {"Furniture",
     {"Sofa", "Dining Table", "Armchair", "Bookcase", "Chest of Drawers", "Bed Frame"},
     {"Oakhaven", "Nordhus", "Timberline", "Crestwood"},
     90,
     2800},
    {"Jewelry",
     {"Wedding Ring", "Necklace", "Wristwatch", "Earrings", "Bracelet", "Brooch"},
     {"Aurelia", "Goldmark", "Silvano", "Perlina"},
     50,
     6000},
    {"Tools",
     {"Cordless Drill", "Table Saw", "Socket Set", "Workbench", "Air Compressor", "Router"},
     {"Ironhand", "Torqmax", "Builtrite", "Steelcraft"},
     20,
     900},
    {"Kitchen",
     {"Food Processor", "Stand Mixer", "Coffee Maker", "Cookware Set", "Toaster", "Blender"},
     {"Chefline", "Cucina", "Kitchenaire", "Copperpot"},
     15,
     600},
    {"Sports",
     {"Bicycle", "Golf Clubs", "Treadmill", "Tennis Racket", "Kayak", "Skis"},
     {"Velox", "Summitgear", "Fairway", "Aquasport"},
     25,
     1500},
    {"Musical Instruments",
     {"Piano", "Acoustic Guitar", "Violin", "Keyboard", "Drum Kit", "Trumpet"},
     {"Harmonia", "Stradell", "Tonewood", "Brassworks"},
     100,
     9000},
    {"Art",
     {"Oil Painting", "Sculpture", "Framed Print", "Watercolor", "Tapestry", "Pottery Vase"},
     {"Unknown Artist", "Gallery North", "Studio Verde", "Atelier Blanc"},
     40,
     12000},
    {"Collectibles",
     {"Coin Collection", "Stamp Album", "Baseball Cards", "Porcelain Figurine", "Model Trains",
      "Antique Clock"},
     {"Heritage", "Vintage House", "Mintmark", "Relic & Co"},
     10,
     5000},
    {"Clothing",
     {"Winter Coat", "Leather Jacket", "Suit", "Evening Dress", "Boots", "Fur Stole"},
     {"Tailormade", "Northwind", "Elegance", "Trailwear"},
     30,
     1200},
    {"Books",
     {"Encyclopedia Set", "First Edition Novel", "Cookbook Collection", "Atlas", "Bible",
      "Art Book"},
     {"Penwright", "Folio House", "Inkwell Press", "Marbleback"},
     10,
     800},
    {"Garden",
     {"Lawn Mower", "Leaf Blower", "Hedge Trimmer", "Patio Set", "Grill", "Garden Shed"},
     {"Greenacre", "Yardpro", "Terraform", "Sunpatch"},
     20,
     1600},
    {"Lighting",
     {"Floor Lamp", "Chandelier", "Desk Lamp", "Table Lamp", "Pendant Light", "Wall Sconce"},
     {"Lumina", "Glowcraft", "Beacon", "Halcyon"},
     15,
     900},
    {"Office",
     {"Desk", "Office Chair", "Filing Cabinet", "Fax Machine", "Shredder", "Typewriter"},
     {"Deskmate", "Officeline", "Paperworks", "Quillson"},
     20,
     900},
    {"Photography",
     {"35mm Camera", "Digital Camera", "Zoom Lens", "Tripod", "Flash Unit", "Enlarger"},
     {"Optika", "Lensmark", "Shutterline", "Focalis"},
     30,
     2500},
    {"Linens",
     {"Quilt", "Bed Sheets", "Towel Set", "Tablecloth", "Curtains", "Down Comforter"},
     {"Softhaven", "Linenfold", "Cottonfield", "Dreamweave"},
     10,
     400},
    {"Silverware",
     {"Flatware Set", "Silver Tea Service", "Serving Tray", "Candelabra", "Punch Bowl",
      "Gravy Boat"},
     {"Sterlingworth", "Argenta", "Royal Crest", "Platewell"},
     40,
     4000},
    {"China",
     {"Dinner Service", "Tea Set", "Crystal Glasses", "Serving Platter", "Decanter", "Fruit Bowl"},
     {"Fineware", "Crystalline", "Bonehall", "Glazemark"},
     30,
     3000},
    {"Rugs",
     {"Persian Rug", "Area Rug", "Runner", "Braided Rug", "Hall Carpet", "Kilim"},
     {"Loomcraft", "Weavers Guild", "Tabriz House", "Knotwell"},
     40,
     7000},
    {"Toys",
     {"Dollhouse", "Train Set", "Rocking Horse", "Board Games", "Video Game Console", "Teddy Bear"},
     {"Playwell", "Funcraft", "Kidsworld", "Tinker Co"},
     10,
     500},
    {"Luggage",
     {"Suitcase", "Garment Bag", "Trunk", "Duffel Bag", "Briefcase", "Backpack"},
     {"Voyager", "Roadmaster", "Globetrot", "Packwell"},
     20,
     700},
    {"Heating and Cooling",
     {"Air Conditioner", "Space Heater", "Dehumidifier", "Ceiling Fan", "Humidifier",
      "Air Purifier"},
     {"Climatrol", "Breezeway", "Thermacore", "Polaris"},
     25,
     1400},
    {"Electronics",
     {"Telephone", "Answering Machine", "Clock Radio", "Calculator", "Mobile Phone", "Tablet"},
     {"Signalis", "Teknova", "Circuitry", "Voltaire"},
     15,
     1100},
    {"Automotive",
     {"Car Stereo", "Battery Charger", "Roof Rack", "Floor Jack", "Snow Tires", "GPS Unit"},
     {"Motorwise", "Roadline", "Gearhead", "Autocraft"},
     20,
     1300},
    {"Firearms",
     {"Shotgun", "Hunting Rifle", "Gun Safe", "Scope", "Target Pistol", "Antique Musket"},
     {"Marksman", "Fieldstone", "Ridgeback", "Old Frontier"},
     100,
     3000},
    {"Medical",
     {"Wheelchair", "Blood Pressure Monitor", "Hearing Aid", "Walker", "Massage Chair",
      "Humidifier"},
     {"Carewell", "Medline Home", "Vitalis", "Restwell"},
     30,
     2500},
    {"Miscellaneous",
     {"Sewing Machine", "Vacuum Cleaner", "Safe", "Aquarium", "Telescope", "Globe"},
     {"Generic", "Homewares", "Allpurpose", "Everyday"},
     10,
     1500},
}};

const std::array<const char *, 16> kRooms{
    "Living Room", "Kitchen",  "Master Bedroom", "Bedroom 2",   "Bedroom 3",   "Dining Room",
    "Garage",      "Basement", "Attic",          "Office",      "Family Room", "Laundry Room",
    "Hallway",     "Patio",    "Workshop",       "Storage Shed"};

const std::array<const char *, 14> kShops{"Hartley's Department Store",
                                          "Main Street Hardware",
                                          "Electro World",
                                          "Bargain Barn",
                                          "Miller & Sons",
                                          "The Furniture Gallery",
                                          "Corner Music",
                                          "Sears Outlet",
                                          "Gift from family",
                                          "Estate Sale",
                                          "Mail Order Catalog",
                                          "Online Store",
                                          "Lakeside Mall",
                                          "Antique Market"};

const std::array<const char *, 10> kOwners{
    "John Smith",   "Mary Smith",  "Family",      "Robert Smith", "Emily Smith",
    "Grandma Rose", "David Jones", "Susan Jones", "Shared",       "Michael Brown"};

const std::array<const char *, 12> kAdjectives{"Black",   "White",   "Silver", "Walnut",
                                               "Oak",     "Red",     "Blue",   "Large",
                                               "Compact", "Antique", "Deluxe", "Portable"};

const std::array<const char *, 10> kDescriptionTails{"in good condition",
                                                     "like new",
                                                     "minor scratches on the side",
                                                     "original box kept",
                                                     "bought on sale",
                                                     "gift for anniversary",
                                                     "repaired once",
                                                     "with remote control",
                                                     "matching set of four",
                                                     "needs new batteries"};

const std::array<const char *, 8> kMarks{"Engraved initials on back",
                                         "Sticker under base",
                                         "Scratch on left side",
                                         "Owner's name inside",
                                         "UV pen mark",
                                         "Chip on corner",
                                         "Dent near handle",
                                         ""};

const std::array<const char *, 8> kWarrantyNotes{
    "Extended plan",  "Receipt in file cabinet", "Parts only", "Parts and labor",
    "Card mailed in", "Store warranty",          "Lifetime",   "Call dealer"};

const std::array<const char *, 8> kUser1{
    "Insured", "Appraised", "Photo taken", "Rider on policy", "", "", "", ""};

void appendInt(std::string &out, long long value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    out.append(buf, end);
}

// Cents as plain decimal with two places: 124999 -> "1249.99".
void setMoney(std::string &out, long long cents) {
    out.clear();
    appendInt(out, cents / 100);
    out.push_back('.');
    const int rest = static_cast<int>(cents % 100);
    out.push_back(static_cast<char>('0' + rest / 10));
    out.push_back(static_cast<char>('0' + rest % 10));
}

void setDate(std::string &out, int year, int month, int day) {
    out.resize(8);
    const int value[3] = {year, month, day};
    const int width[3] = {4, 2, 2};
    std::size_t at = 8;
    for (int part = 2; part >= 0; --part) {
        int v = value[part];
        for (int i = 0; i < width[part]; ++i, v /= 10)
            out[--at] = static_cast<char>('0' + v % 10);
    }
}

void setCut(std::string &out, const std::string &text, int width) {
    out.assign(text, 0, std::min<std::size_t>(text.size(), static_cast<std::size_t>(width)));
}

} // namespace

InventoryGenerator::InventoryGenerator(std::uint64_t seed)
    : m_state(seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL) {}

std::uint64_t InventoryGenerator::nextRandom() {
    // splitmix64: tiny, fast and good enough for test data.
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint32_t InventoryGenerator::below(std::uint32_t n) {
    return static_cast<std::uint32_t>(((nextRandom() >> 32) * n) >> 32);
}

template <std::size_t N>
const char *InventoryGenerator::pick(const std::array<const char *, N> &pool) {
    return pool[below(static_cast<std::uint32_t>(N))];
}

void InventoryGenerator::appendDigits(std::string &out, int count) {
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<char>('0' + below(10)));
}

void InventoryGenerator::next(InventoryRecord &r) {
    using namespace field;
    const CategoryPool &cat = kCategories[below(kCategories.size())];
    const char *item = cat.items[below(cat.items.size())];
    const char *brand = cat.brands[below(cat.brands.size())];

    r[Item].assign(item);
    r[Brand].assign(brand);

    std::string &model = r[Model];
    model.clear();
    model.push_back(static_cast<char>('A' + below(26)));
    model.push_back(static_cast<char>('A' + below(26)));
    model.push_back('-');
    appendDigits(model, 3 + static_cast<int>(below(3)));

    std::string &serial = r[Serial];
    serial.clear();
    if (below(10) < 8) {
        serial.push_back(static_cast<char>('A' + below(26)));
        appendInt(serial, static_cast<long long>(100000 + (++m_serialCounter * 7919) % 900000));
        appendDigits(serial, 4);
    }

    r[Location].assign(pick(kRooms));

    std::string &desc = r[Descriptio];
    desc.assign(pick(kAdjectives));
    desc.push_back(' ');
    desc.append(item);
    desc.append(", ");
    desc.append(pick(kDescriptionTails));
    if (desc.size() > 110)
        desc.resize(110);

    r[BoughtFrom].assign(pick(kShops));
    r[IDMarks].assign(pick(kMarks));

    const std::uint32_t q = below(100);
    r[Quantity].clear();
    appendInt(r[Quantity], q < 85 ? 1 : q < 95 ? 2 : static_cast<long long>(3 + below(10)));

    const int year = 1980 + static_cast<int>(below(47)); // 1980 to 2026
    const int month = 1 + static_cast<int>(below(12));
    const int day = 1 + static_cast<int>(below(28));
    if (below(50) == 0)
        r[PurchDate].clear(); // a few records without a known date
    else
        setDate(r[PurchDate], year, month, day);

    const long long span = static_cast<long long>(cat.maxCost - cat.minCost) * 100;
    const long long costCents =
        static_cast<long long>(cat.minCost) * 100 +
        static_cast<long long>(nextRandom() % static_cast<std::uint64_t>(span + 1));
    setMoney(r[Cost], costCents);
    r[Category].assign(cat.name, std::min<std::size_t>(std::strlen(cat.name), 20));
    setMoney(r[RepCost], costCents + costCents * static_cast<long long>(below(60)) / 100);

    const bool warranty = year >= 1990 && below(3) == 0;
    r[Warranty].assign(warranty ? "Yes" : "No");
    if (warranty) {
        setDate(r[WarDate], std::min(year + 1 + static_cast<int>(below(5)), 2031), month, day);
        r[WarNotes].assign(pick(kWarrantyNotes));
    } else {
        r[WarDate].clear();
        r[WarNotes].clear();
    }

    r[Owner].assign(pick(kOwners));
    // Value: depreciated with age, never below a tenth of the cost.
    const long long age = 2026 - year;
    const long long pct = std::max<long long>(10, 100 - age * 4);
    setMoney(r[Value], costCents * pct / 100);

    r[UserDef1].assign(pick(kUser1));
    r[UserDef2].clear();
    if (below(4) == 0) {
        r[UserDef2].assign("Policy ");
        appendDigits(r[UserDef2], 6);
    }
    r[UserDef3].clear();
    r[UserDef4].clear();
    if (below(20) == 0)
        setCut(r[UserDef4], std::string("Receipt no. ") + std::to_string(below(100000)), 40);
}

void GenerateInventory(std::uint64_t count, std::uint64_t seed,
                       const std::function<void(const InventoryRecord &)> &sink) {
    InventoryGenerator generator(seed);
    InventoryRecord record;
    for (std::uint64_t i = 0; i < count; ++i) {
        generator.next(record);
        sink(record);
    }
}

void StoreGeneratedField(const db::FieldDef &f, const std::string &text, char *record) {
    char *at = record + f.offset;
    const std::size_t width = static_cast<std::size_t>(f.length);
    if (f.type == 'N' || f.type == 'F') {
        db::field_codec::storeDecimal(f, text, at);
        return;
    }
    const std::size_t n = std::min(width, text.size());
    std::memcpy(at, text.data(), n);
    std::memset(at + n, ' ', width - n);
}
