object MixControlWnd: TMixControlWnd
  Left = 420
  Top = 240
  BorderStyle = bsSingle
  Width = 167
  Height = 159
  Caption = 'Korvalin'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clBlack
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  OldCreateOrder = True
  OnClose = FormClose
  OnCreate = FormCreate
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 14
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 161
    Height = 77
    Align = alTop
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 0
    object chkAnalogInputs: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 4
      Width = 145
      Height = 17
      Caption = ' Analog Inputs'
      TabOrder = 0
      OnClick = chkMixerClick
      CaptionEnglish = ' Analog Inputs'
      CaptionGerman = ' Analog Inputs'
    end
    object chkDigitalInputs: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 21
      Width = 145
      Height = 17
      Caption = ' Digital Inputs'
      TabOrder = 1
      OnClick = chkMixerClick
      CaptionEnglish = ' Digital Inputs'
      CaptionGerman = ' Digital Inputs'
    end
    object chkAnalogOutputs: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 39
      Width = 145
      Height = 17
      Caption = ' Analog Outputs'
      TabOrder = 2
      OnClick = chkMixerClick
      CaptionEnglish = ' Analog Outputs'
      CaptionGerman = ' Analog Outputs'
    end
    object chkDigitalOutputs: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 56
      Width = 145
      Height = 17
      Caption = ' Digital Outputs'
      TabOrder = 3
      OnClick = chkMixerClick
      CaptionEnglish = ' Digital Outputs'
      CaptionGerman = ' Digital Outputs'
    end
  end
  object Panel2: TPanel
    Left = 0
    Top = 107
    Width = 161
    Height = 27
    Align = alBottom
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 1
    object chkStayOnTop: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 6
      Width = 145
      Height = 17
      Caption = ' Immer im &Vordergrund'
      TabOrder = 0
      OnClick = chkStayOnTopClick
      CaptionEnglish = ' Always On &Top'
      CaptionGerman = ' Immer im &Vordergrund'
    end
  end
  object Panel3: TPanel
    Left = 0
    Top = 77
    Width = 161
    Height = 30
    Align = alClient
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 2
    object chkSettings: TExtCheckBox
      Left = 8
      Top = 8
      Width = 145
      Height = 17
      Caption = ' &Einstellungen'
      TabOrder = 0
      OnClick = chkSettingsClick
      CaptionEnglish = ' &Settings'
      CaptionGerman = ' &Einstellungen'
    end
  end
end
