// The pieces of a print job on their own: DIMSE-N command sets, the film session, film box
// and image box data sets, the image box reference in a film box response, and how a
// DIMSE-N response is judged.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/n_message.hpp"
#include "dimse/print_datasets.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "scripted_print_peer.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandBytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::TextValue;
using testing::UidValue;
using testing::US;

Bytes Encoded(const TagList& list) {
  const std::optional<Bytes> bytes = EncodeTags(list, false, ByteOrder::kLittleEndian);
  EXPECT_TRUE(bytes);
  return bytes.value_or(Bytes{});
}

// The command set the one encoder writes for a DIMSE-N request.
TagList NRequestCommand(uint16_t commandField, std::string_view sopClass,
                        std::string_view sopInstance, uint16_t messageID, bool dataSetFollows) {
  TagList elements;
  EXPECT_TRUE(EncodeCommand(
      NRequest(commandField, sopClass, sopInstance, messageID, dataSetFollows), elements));
  return elements;
}

TEST(NRequest, EachServiceHasItsFieldsInTableOrder) {
  EXPECT_EQ(Hex(Encoded(NRequestCommand(kNGetRQ, "1.2.840.10008.5.1.1.16", "1.2.840.10008.5.1.1.17",
                                        3, false))),
            Hex(CommandBytes({{0x0003, UidValue("1.2.840.10008.5.1.1.16")},
                              {0x0100, US(0x0110)},
                              {0x0110, US(3)},
                              {0x0800, US(0x0101)},
                              {0x1001, UidValue("1.2.840.10008.5.1.1.17")}})));
  EXPECT_EQ(Hex(Encoded(NRequestCommand(kNCreateRQ, "1.2.840.10008.5.1.1.1", "", 5, true))),
            Hex(CommandBytes({{0x0002, UidValue("1.2.840.10008.5.1.1.1")},
                              {0x0100, US(0x0140)},
                              {0x0110, US(5)},
                              {0x0800, US(0x0102)}})));
  EXPECT_EQ(Hex(Encoded(NRequestCommand(kNSetRQ, "1.2.840.10008.5.1.1.4", "1.2.3", 9, true))),
            Hex(CommandBytes({{0x0003, UidValue("1.2.840.10008.5.1.1.4")},
                              {0x0100, US(0x0120)},
                              {0x0110, US(9)},
                              {0x0800, US(0x0102)},
                              {0x1001, UidValue("1.2.3")}})));
  EXPECT_EQ(Hex(Encoded(NRequestCommand(kNActionRQ, "1.2.840.10008.5.1.1.2", "1.2.30", 11, false))),
            Hex(CommandBytes({{0x0003, UidValue("1.2.840.10008.5.1.1.2")},
                              {0x0100, US(0x0130)},
                              {0x0110, US(11)},
                              {0x0800, US(0x0101)},
                              {0x1001, UidValue("1.2.30")},
                              {0x1008, US(1)}})));
  EXPECT_EQ(Hex(Encoded(NRequestCommand(kNDeleteRQ, "1.2.840.10008.5.1.1.2", "1.2.30", 13, false))),
            Hex(CommandBytes({{0x0003, UidValue("1.2.840.10008.5.1.1.2")},
                              {0x0100, US(0x0150)},
                              {0x0110, US(13)},
                              {0x0800, US(0x0101)},
                              {0x1001, UidValue("1.2.30")}})));
}

TEST(NRequest, GroupLengthIsPaddedUidsPlusFortySixPlusTenForAnAction) {
  const TagList get = NRequestCommand(kNGetRQ, "1.2.3", "1.2.34", 1, false);
  EXPECT_EQ(GetTagUS(get, 0x0000, 0x0000), 6 + 6 + 46);
  const TagList action = NRequestCommand(kNActionRQ, "1.2.3", "1.2.34", 1, false);
  EXPECT_EQ(GetTagUS(action, 0x0000, 0x0000), 6 + 6 + 46 + 10);
  const TagList create = NRequestCommand(kNCreateRQ, "1.2.840.10008.5.1.1.1", "", 1, true);
  // No Affected SOP Instance UID: the printer chooses the instance.
  EXPECT_EQ(GetTagUS(create, 0x0000, 0x0000), 22 + 46 - 8);
  EXPECT_EQ(FindTag(create, 0x0000, 0x1000), nullptr);
  const TagList chosen = NRequestCommand(kNCreateRQ, "1.2.840.10008.5.1.1.1", "1.2.34", 1, true);
  EXPECT_EQ(GetTagUS(chosen, 0x0000, 0x0000), 22 + 6 + 46);
}

TEST(PrintTextTag, OddTextsGetOneTrailingSpaceWhateverTheVR) {
  EXPECT_EQ(PrintTextTag(tag::kImageDisplayFormat, "CS", "STANDARD\\1,1").value,
            TextValue("STANDARD\\1,1"));
  EXPECT_EQ(PrintTextTag(tag::kImageDisplayFormat, "CS", "STANDARD\\1,1").length, 12u);
  EXPECT_EQ(PrintTextTag(tag::kFilmOrientation, "CS", "PORTRAIT").length, 8u);
  const TagRecord five = PrintTextTag(tag::kImageDisplayFormat, "CS", "ABCDE");
  EXPECT_EQ(five.length, 6u);
  EXPECT_EQ(five.value, (Bytes{'A', 'B', 'C', 'D', 'E', ' '}));
  EXPECT_EQ(PrintTextTag(tag::kNumberOfCopies, "IS", "1").value, (Bytes{'1', ' '}));
}

TEST(FilmDatasets, EmptyFieldsAreLeftOutAndAllEightBoxFieldsGoOutInOrder) {
  const TagList session = FilmSessionDataset({"2", "", "PAPER", ""});
  ASSERT_EQ(session.size(), 2u);
  EXPECT_TRUE(session[0].Is(0x2000, 0x0010));
  EXPECT_TRUE(session[0].VRIs("IS"));
  EXPECT_TRUE(session[1].Is(0x2000, 0x0030));
  EXPECT_TRUE(session[1].VRIs("CS"));

  FilmBoxcfg box{"STANDARD\\2,2", "LANDSCAPE", "8INX10IN", "NONE", "BLACK", "WHITE", "20", "320"};
  const Bytes bytes = Encoded(FilmBoxDataset(box, "1.2.3"));
  const Bytes want = MessageBuilder()
                         .Implicit(0x2010, 0x0010, TextValue("STANDARD\\2,2"))
                         .Implicit(0x2010, 0x0040, TextValue("LANDSCAPE"))
                         .Implicit(0x2010, 0x0050, TextValue("8INX10IN"))
                         .Implicit(0x2010, 0x0060, TextValue("NONE"))
                         .Implicit(0x2010, 0x0100, TextValue("BLACK"))
                         .Implicit(0x2010, 0x0110, TextValue("WHITE"))
                         .Implicit(0x2010, 0x0120, TextValue("20"))
                         .Implicit(0x2010, 0x0130, TextValue("320"))
                         .Implicit(0x2010, 0x0150, {})
                         .Tag(0x2010, 0x0500)
                         .U32(0xFFFFFFFF)
                         .Tag(0xFFFE, 0xE000)
                         .U32(0xFFFFFFFF)
                         .Implicit(0x0008, 0x1150, UidValue("1.2.840.10008.5.1.1.1"))
                         .Implicit(0x0008, 0x1155, UidValue("1.2.3"))
                         .Tag(0xFFFE, 0xE00D)
                         .U32(0)
                         .Tag(0xFFFE, 0xE0DD)
                         .U32(0)
                         .bytes();
  EXPECT_EQ(Hex(bytes), Hex(want));
  const TagList list = FilmBoxDataset(box, "1.2.3");
  EXPECT_TRUE(FindTag(list, 0x2010, 0x0120)->VRIs("CS")) << "density limits go out as CS";
}

TEST(ImageBoxDataset, BitmapTooLargeForThePixelModuleGivesNothing) {
  const Raster wide = *Raster::Create(70000, 1, PixelFormat::kPalette8);
  EXPECT_FALSE(ImageBoxDataset(wide, false, 0));
  Raster grey = *Raster::Create(1, 1, PixelFormat::kPalette8);
  grey.SetGreyPalette();
  const std::optional<TagList> list = ImageBoxDataset(grey, false, 0);
  ASSERT_TRUE(list);
  EXPECT_TRUE((*list)[2].Is(0x2020, 0x0110));
  EXPECT_TRUE((*list)[2].HasUndefinedLength());
  EXPECT_TRUE(list->back().Is(0xFFFE, 0xE0DD));
}

// A film box response data set read the way a message is read.
TagList Response(const Bytes& bytes) {
  TagList list;
  ElementReader reader(bytes, false, false);
  while (std::optional<TagRecord> record = ReadElement(reader))
    list.push_back(std::move(*record));
  EXPECT_TRUE(reader.AtEnd());
  return list;
}

Bytes Item(std::string_view sopClass, std::string_view instance) {
  return MessageBuilder()
      .Implicit(0x0008, 0x1150, UidValue(sopClass))
      .Implicit(0x0008, 0x1155, UidValue(instance))
      .bytes();
}

TEST(ReadImageBoxReference, DefinedLengthSequenceGivesTheFirstItem) {
  const Bytes sequence = MessageBuilder()
                             .Implicit(0xFFFE, 0xE000, Item("1.2.840.10008.5.1.1.4", "1.2.3.1"))
                             .Implicit(0xFFFE, 0xE000, Item("1.2.840.10008.5.1.1.4", "1.2.3.2"))
                             .bytes();
  const ImageBoxReference reference =
      ReadImageBoxReference(Response(MessageBuilder().Implicit(0x2010, 0x0510, sequence).bytes()));
  EXPECT_EQ(reference.sopClass, "1.2.840.10008.5.1.1.4");
  EXPECT_EQ(reference.sopInstance, "1.2.3.1");
}

TEST(ReadImageBoxReference, GroupLengthInsideTheItemIsPassedOver) {
  const Bytes item = MessageBuilder()
                         .Implicit(0x0008, 0x0000, testing::U32Value(40))
                         .Append(Item("1.2.840.10008.5.1.1.4.1", "9.8.7"))
                         .bytes();
  const Bytes sequence = MessageBuilder().Implicit(0xFFFE, 0xE000, item).bytes();
  const ImageBoxReference reference =
      ReadImageBoxReference(Response(MessageBuilder().Implicit(0x2010, 0x0510, sequence).bytes()));
  EXPECT_EQ(reference.sopClass, "1.2.840.10008.5.1.1.4.1");
  EXPECT_EQ(reference.sopInstance, "9.8.7");
}

TEST(ReadImageBoxReference, FlatSequenceGivesTheFirstItemAndOtherSequencesDoNotCount) {
  MessageBuilder flat;
  flat.Tag(0x2010, 0x0510).U32(0xFFFFFFFF);
  for (const char* instance : {"1.2.3.1", "1.2.3.2", "1.2.3.3"}) {
    flat.Tag(0xFFFE, 0xE000)
        .U32(0xFFFFFFFF)
        .Append(Item("1.2.840.10008.5.1.1.4", instance))
        .Tag(0xFFFE, 0xE00D)
        .U32(0);
  }
  flat.Tag(0xFFFE, 0xE0DD).U32(0);
  // An annotation box list after it names other objects.
  flat.Tag(0x2010, 0x0520)
      .U32(0xFFFFFFFF)
      .Tag(0xFFFE, 0xE000)
      .U32(0xFFFFFFFF)
      .Append(Item("1.2.840.10008.5.1.1.15", "5.5.5"))
      .Tag(0xFFFE, 0xE00D)
      .U32(0)
      .Tag(0xFFFE, 0xE0DD)
      .U32(0);
  const ImageBoxReference reference = ReadImageBoxReference(Response(flat.bytes()));
  EXPECT_EQ(reference.sopClass, "1.2.840.10008.5.1.1.4");
  EXPECT_EQ(reference.sopInstance, "1.2.3.1");
}

TEST(ReadImageBoxReference, DefinedLengthItemInsideAFlatSequence) {
  MessageBuilder flat;
  flat.Tag(0x2010, 0x0510)
      .U32(0xFFFFFFFF)
      .Implicit(0xFFFE, 0xE000, Item("1.2.840.10008.5.1.1.4", "4.4"))
      .Tag(0xFFFE, 0xE0DD)
      .U32(0);
  const ImageBoxReference reference = ReadImageBoxReference(Response(flat.bytes()));
  EXPECT_EQ(reference.sopInstance, "4.4");
}

TEST(ReadImageBoxReference, MissingOrBrokenListsGiveEmptyFieldsNeverAReadPastTheValue) {
  EXPECT_EQ(ReadImageBoxReference({}).sopClass, "");
  // Sequence values that end inside the item header, inside an element header, and an item
  // whose length runs past the sequence.
  for (const Bytes& value : {Bytes{0xFE, 0xFF, 0x00, 0xE0, 0x10},
                             Bytes{0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x00, 0x50,
                                   0x11, 0x40, 0, 0, 0, '1'},
                             Bytes{0xFE, 0xFF, 0x00, 0xE0, 0x00, 0x01, 0x00, 0x00, 0x08, 0x00}}) {
    TagRecord sequence = GenerateTag(0x2010, 0x0510, "SQ", value);
    const ImageBoxReference reference = ReadImageBoxReference(TagList{sequence});
    EXPECT_EQ(reference.sopClass, "") << Hex(value);
    EXPECT_EQ(reference.sopInstance, "") << Hex(value);
  }
}

// DIMSE-N responses read on an association whose far end the test drives (the reading
// side does not look at the context's abstract syntax).
class NResponse : public ::testing::Test {
 protected:
  NResponse()
      : association_(
            {testing::ProposedContextItem(1, "1.2.840.10008.1.1", {testing::kImplicitSyntax})}) {}

  void Send(const Bytes& command, const Bytes& dataset = {}) {
    std::vector<Bytes> pdvs = {testing::Pdv(1, 0x03, command)};
    if (!dataset.empty()) pdvs.push_back(testing::Pdv(1, 0x02, dataset));
    ASSERT_TRUE(association_.pair().Send(testing::PDataPdu(pdvs)));
  }

  static Bytes Command(uint16_t field, std::optional<uint16_t> status, uint16_t dataSetType,
                       std::string_view instance = "") {
    std::vector<std::pair<uint16_t, Bytes>> elements = {{0x0002, UidValue("1.2.840.10008.5.1.1.2")},
                                                        {0x0100, US(field)},
                                                        {0x0120, US(7)},
                                                        {0x0800, US(dataSetType)}};
    if (status) elements.push_back({0x0900, US(*status)});
    if (!instance.empty()) elements.push_back({0x1000, UidValue(instance)});
    return CommandBytes(elements);
  }

  testing::AcceptedAssociation association_;
};

TEST_F(NResponse, SuccessCopiesTheInstanceAndReadsTheDataSet) {
  ASSERT_TRUE(association_.accepted());
  Send(Command(0x8140, 0x0000, 0x0102, "1.2.3"),
       MessageBuilder().Implicit(0x2010, 0x0010, TextValue("STANDARD\\1,1")).bytes());
  TagList dataset;
  std::string instance;
  EXPECT_TRUE(ReadNResponse(association_.service(), kNCreateRSP, &dataset, &instance));
  EXPECT_EQ(instance, "1.2.3");
  ASSERT_EQ(dataset.size(), 1u);
  EXPECT_TRUE(dataset[0].Is(0x2010, 0x0010));
}

TEST_F(NResponse, WarningFailsButStaysInStepWithTheDataSetAndAMissingStatusAborts) {
  Send(Command(0x8110, 0x0107, 0x0102),
       MessageBuilder().Implicit(0x2110, 0x0010, TextValue("NORMAL")).bytes());
  TagList dataset;
  const ServiceResult warning = ReadNResponse(association_.service(), kNGetRSP, &dataset, nullptr);
  EXPECT_EQ(warning.failure, ServiceFailure::kStatus);
  EXPECT_EQ(warning.status, 0x0107);
  EXPECT_TRUE(dataset.empty()) << "a failed response's data set is not handed out";
  // The next response is read as a response, not as the left-over data set.
  Send(Command(0x8150, 0x0000, 0x0101));
  EXPECT_TRUE(ReadNResponse(association_.service(), kNDeleteRSP, nullptr, nullptr));
  // A response without a Status breaks the protocol: the association ends.
  Send(Command(0x8140, std::nullopt, 0x0101));
  const ServiceResult missing =
      ReadNResponse(association_.service(), kNCreateRSP, nullptr, nullptr);
  EXPECT_EQ(missing.failure, ServiceFailure::kProtocol);
  EXPECT_EQ(missing.reason, "an N-CREATE-RSP without its Status (the association was aborted)");
  EXPECT_FALSE(association_.service().Connected());
}

TEST_F(NResponse, WrongCommandFieldFails) {
  Send(Command(0x8120, 0x0000, 0x0101));
  const ServiceResult result = ReadNResponse(association_.service(), kNActionRSP, nullptr, nullptr);
  EXPECT_EQ(result.failure, ServiceFailure::kUnexpectedResponse);
  EXPECT_EQ(result.reason, "the peer answered with an N-SET-RSP, not an N-ACTION-RSP");
}

TEST_F(NResponse, InstanceUidLongerThanSixtyFourCharactersFails) {
  const std::string longUid(65, '1');
  Send(Command(0x8140, 0x0000, 0x0101, longUid));
  std::string instance = "unchanged";
  EXPECT_EQ(ReadNResponse(association_.service(), kNCreateRSP, nullptr, &instance).failure,
            ServiceFailure::kProtocol);
  EXPECT_EQ(instance, "unchanged");
}

}  // namespace
}  // namespace norvane
