#include "inputdecoding.h"

#include "messagelisting.h"

InputDecoding decodeInput(const QString &text, InputDecoding::Detail detail)
{
    InputDecoding decoding;
    if (buildBeaconIdListing(text, decoding.lines)) {
        decoding.kind = InputDecoding::Kind::BeaconId;
        decoding.valid = true;
        decoding.hexId = text.toUpper();
        return decoding;
    }
    const SecondGeneration generation = secondGeneration(text);
    // Read as a first-generation message, a second-generation one passes the
    // check now and then by chance.
    if (generation == SecondGeneration::No) {
        ListingFacts facts;
        decoding.valid = detail == InputDecoding::Detail::Listing
                             ? buildListing(text, decoding.lines)
                             : buildListing(text, decoding.lines, facts);
        decoding.hexId = facts.beaconId;
        decoding.position = facts.position;
    }
    if (generation == SecondGeneration::BeaconId)
        decoding.kind = InputDecoding::Kind::BeaconId;
    if (!decoding.valid)
        decoding.diagnosis = diagnoseMessage(text);
    return decoding;
}
