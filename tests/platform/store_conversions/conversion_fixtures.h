// What several conversion tests share: a backend that keeps what an item
// saves, and a text with every character the renderings must escape.
#pragma once

#include <store/contact_item.h>

#include <string>

namespace conversion_fixtures {

class Capture : public store::ItemBackend {
public:
    explicit Capture(mapi::PropertyBag* out) : out_(out) {}
    void Commit(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>&) override {
        *out_ = properties;
    }

private:
    mapi::PropertyBag* out_;
};

inline const std::string kHostile = "<b>\"Q\" & 'A'</b> \\ x; y, z";

}  // namespace conversion_fixtures
