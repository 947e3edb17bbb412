#include "transfer/run_statistics.h"

#include "package/gbk.h"

namespace picmove {

CompletionTexts fill_completion_texts(const RunStatistics& s, bool upload_checked,
                                      std::int32_t policy) {
  CompletionTexts texts;
  texts.total_line = gbk("下载总数： ") + std::to_string(s.total);
  if (upload_checked && s.upload_failures != 0) {
    texts.success_line = gbk("成功下载： ") + std::to_string(s.downloaded) +
                         gbk("   其中上传失账： ") + std::to_string(s.upload_failures) +
                         gbk(" 请点开始处理重新上传！");
  } else {
    texts.success_line = gbk("成功下载： ") + std::to_string(s.downloaded);
  }
  texts.failure_line = gbk("下载失败： ") + std::to_string(s.failures);
  if (s.failures != 0) {
    texts.policy_note = policy == 1
                            ? gbk("按搬家配置，下载失败的图片仍留在列表中，请再点开始处理进行重试！")
                            : gbk("按搬家配置，下载失败的图片已被置空，文件已处理成功！");
  }
  return texts;
}

}  // namespace picmove
