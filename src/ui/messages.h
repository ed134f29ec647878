#pragma once

// What the program tells the user in status lines and message boxes, each text written once,
// for the window and kvxctl alike. The texts are the probe tool's own, kept as users have
// always seen them, odd spellings and dots included.
namespace kvx {

// Connecting to the probe's loader.
inline constexpr char kConnectingText[] = "Connecting to KVX Loader ...";
inline constexpr char kConnectPassedText[] = "Connecting to KVX Loader passed!";
inline constexpr char kConnectFailedText[] = "Connecting to KVX loader failed!";
inline constexpr char kCannotConnectText[] = "Cannot connect to KVX loader!";
inline constexpr char kNoProbeText[] = "There is no KVX7000 connected!";
// What every step shows when a loader command fails, and the dialog when a query does.
inline constexpr char kCommunicationFailedText[] = "Communication with KVX failed!";

// The dialog's fields.
inline constexpr char kInvalidIpAddressText[] = "Invalid IP address!";
inline constexpr char kTooManyCharactersText[] = "Please enter no more than 15 characters.";

// Current.
inline constexpr char kReadingVersionsText[] = "Reading current versions, please wait.";
inline constexpr char kReadingVersionsPassedText[] = "Reading current versions passed!";
inline constexpr char kReadingVersionsFailedText[] = "Reading current versions failed!";

// Update: the firmware, then the logic.
inline constexpr char kUpdatePassedText[] = "Updating firmware and logic passed!";
inline constexpr char kUpdateFailedText[] = "Updating firmware and logic failed!";
inline constexpr char kFirmwareUpdateFailedText[] = "Firmware update failed!";
inline constexpr char kFirmwareErasingText[] = "Firmware: Erasing Flash ...";
inline constexpr char kFirmwareEraseFailedText[] = "Firmware: Erasing Flash ... failed!";
inline constexpr char kFirmwareProgrammingText[] = "Firmware: Programming Flash ...";
inline constexpr char kFirmwareProgramFailedText[] = "Firmware: Programming Flash ... failed!";
inline constexpr char kFirmwareProgramPassedText[] = "Firmware: Programming Flash ... passed!";
inline constexpr char kFirmwareVerifyingText[] = "Firmware: Verifying Flash ...";
// Followed by why joined requests would not do for the image.
inline constexpr char kFirmwareRecordByRecordText[] = "Firmware: Programming record by record: ";
inline constexpr char kReadingJedecFileText[] = "Logic: Reading JEDEC File ...";
inline constexpr char kCannotOpenJedecFileText[] = "Logic: Cannot open JEDEC file!";
inline constexpr char kIllegalJedecFileText[] = "Logic: Illegal JEDEC file format!";
// A file whose fuse map cannot be read whole.
inline constexpr char kIllegalJedecFormatText[] = "Illegal JEDEC file format!";
inline constexpr char kUnknownLogicDeviceText[] = "Logic: Unknown ispLSI device type!";
inline constexpr char kLogicErasingText[] = "Logic: Erasing ...";
inline constexpr char kLogicProgrammingText[] = "Logic: Programming ...";
inline constexpr char kLogicVerifyingText[] = "Logic: Verifying ...";
inline constexpr char kLogicReadingText[] = "Logic: Reading ...";
inline constexpr char kProgrammedVerifyFailedText[] =
    "Logic: Fuse map programmed verification failed!";
inline constexpr char kErasedVerifyFailedText[] = "Logic: Fuse map erased verification failed!";
inline constexpr char kSignatureVerifyFailedText[] = "Logic: UES verify failed!";

// Reading a probe back.
inline constexpr char kFirmwareReadingText[] = "Firmware: Reading Flash ...";
inline constexpr char kFirmwareReadFailedText[] = "Firmware: Reading Flash ... failed!";
inline constexpr char kFirmwareReadPassedText[] = "Firmware: Reading Flash ... passed!";

// Transmit.
inline constexpr char kWritingSetupText[] = "Writing setup data ....";
inline constexpr char kWritingSetupPassedText[] = "Writing setup data passed";
inline constexpr char kWritingSetupFailedText[] = "Writing setup data failed!";
inline constexpr char kTransferFailedText[] = "Transfer failed!";
inline constexpr char kTransferFailedCaption[] = "Error";

// Erase.
inline constexpr char kEraseQuestionText[] = "Erase Flash and EPLD?";
inline constexpr char kErasingText[] = "Erasing Flash and EPLD ...";
inline constexpr char kErasingSectorsText[] = "Erasing all flash sectors ...";
inline constexpr char kErasePassedText[] = "Erasing Flash and EPLD passed!";
inline constexpr char kEraseFailedText[] = "Erasing Flash and EPLD failed!";

// OK and Cancel.
inline constexpr char kStartingFirmwareText[] = "Starting firmware please wait....";

// What a run the user stopped says of itself, before what it leaves the probe with.
inline constexpr char kInterruptedText[] = "interrupted";
// What a probe whose firmware is incomplete needs, after an interrupted update or an erase.
inline constexpr char kIncompleteFirmwareAdvice[] =
    "the firmware is incomplete; run update again: the probe stays in its loader until then";
// Why the window holds the session's end while one of the dialog's probe operations runs.
inline constexpr char kProbeBusyReason[] =
    "A probe operation is running: ending the session now can leave the probe without working "
    "firmware.";

// The document.
inline constexpr char kUnexpectedFileFormat[] = "Unexpected file format.";
inline constexpr char kFailedToOpenDocument[] = "Failed to open document.";
inline constexpr char kFailedToSaveDocument[] = "Failed to save document.";

// The main frame.
inline constexpr char kIdleStatusText[] = "For Help, press F1";
// What printing the empty view says when the print dialog or the printer fails it.
inline constexpr char kPrintFailedText[] = "Failed to print.";

}  // namespace kvx
