#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/setup_document.h"

namespace kvx {

// A document file read to send its settings to a probe.
struct DocumentToSend {
  SetupDocument document;
  // The window opens an empty file as a new document; sent to a probe, its defaults would
  // replace the probe's network setup with addresses nobody chose.
  bool empty = false;
};

Result<DocumentToSend> ReadDocumentToSend(const std::string& path);

// A network text given beside the document, which wins over the document's own.
struct GivenText {
  std::string NetworkSetupTexts::*member;
  std::string text;
};

// The document first, then the texts given over it.
void PutGivenTexts(const std::vector<GivenText>& given, NetworkSetupTexts& texts);

// The first text, in the order the dialog lists them, that the probe would store wrongly, and
// why. A text from a document reaches the probe just like one typed, so it is held to the
// same rule.
struct TextProblem {
  std::string NetworkSetupTexts::*member;
  std::string problem;
};
std::optional<TextProblem> FirstTextProblem(const NetworkSetupTexts& texts);

// The port the document names, "COM1" to "COM19"; nothing when its index is off the list.
std::optional<std::string> DocumentPort(const SetupDocument& document);

}  // namespace kvx
