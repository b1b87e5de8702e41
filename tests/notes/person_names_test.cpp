// Names and addresses as people read them.
#include <notes/person_names.h>

#include <gtest/gtest.h>

TEST(PersonNames, HierarchicalNamesShowTheirCommonNameAndRoutingAddressesAreKnown) {
    const struct {
        const char* name;
        const char* shown;
    } names[] = {
        {"CN=Hana Canon/OU=Ops/O=Orbis", "Hana Canon"},
        {" cn = Hana Canon / ou=Ops/o=Orbis/C=DE ", "Hana Canon"},
        {"Hana Canon/Ops/Orbis", "Hana Canon"},
        {"CN=Hana Canon", "Hana Canon"},
        {"  Jane Q Doe\t", "Jane Q Doe"},
        {"O=Orbis", "O=Orbis"},                      // no common name
        {"CN=Hana/X=1", "CN=Hana/X=1"},              // not Notes' labels
        {"Hana//Orbis", "Hana//Orbis"},              // an empty component
        {"a@b.example/Orbis", "a@b.example/Orbis"},  // an address, not a name
        {"", ""},
    };
    for (const auto& n : names) EXPECT_EQ(notes::PersonName(n.name), n.shown) << n.name;

    for (const char* routing : {"Hana Canon/Ops/Orbis@Orbis", "Hana Canon", "hana@orbis", "hana@orbis."})
        EXPECT_TRUE(notes::IsNotesRoutingAddress(routing)) << routing;
    for (const char* internet : {"hana@orbis.example", " hana@orbis.example ", "", "  "})
        EXPECT_FALSE(notes::IsNotesRoutingAddress(internet)) << internet;
}
