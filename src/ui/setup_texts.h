#pragma once
// Every text that the setup window shows. Compiled-in Korean literals: there
// are no string resources.
namespace setup_texts {
inline constexpr wchar_t kWindowTitle[] = L"Norvane 원격 설치";
inline constexpr wchar_t kPreparingHeading[] = L"준비하는 중입니다";
inline constexpr wchar_t kDownloadingHeading[] = L"설치 파일을 다운로드하는 중입니다";
inline constexpr wchar_t kCheckingHeading[] = L"설치 파일을 확인하는 중입니다";
inline constexpr wchar_t kDetail64[] = L"이 컴퓨터에 맞는 64비트 프로그램을 준비합니다.";
inline constexpr wchar_t kDetail32[] = L"이 컴퓨터에 맞는 32비트 프로그램을 준비합니다.";
inline constexpr wchar_t kProgressNote[] = L"다운로드가 끝나면 설치를 시작합니다.";
inline constexpr wchar_t kFailureHeading[] = L"설치 파일을 받거나 확인하지 못했습니다";
inline constexpr wchar_t kFailureDetail[] =
    L"인터넷 연결을 확인한 뒤 다시 시도해 주세요. 계속 안 되면 담당자에게 문의해 주세요.";
inline constexpr wchar_t kCancellingHeading[] = L"다운로드를 취소하는 중입니다";
inline constexpr wchar_t kCancellingDetail[] = L"설치하지 않고 종료합니다.";
inline constexpr wchar_t kMinimizeCaption[] = L"최소화";
inline constexpr wchar_t kCancelCaption[] = L"취소";
inline constexpr wchar_t kCloseCaption[] = L"닫기";
inline constexpr wchar_t kRetryCaption[] = L"다시 시도";
}  // namespace setup_texts
